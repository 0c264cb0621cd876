// Search margins that depend on the game phase, loaded for the root position's
// phase at every search start, and the draw scores of the current search.
#pragma once

namespace velt {

constexpr int PHASE_COUNT = 25;  // phase 0 (bare) .. 24 (all pieces)
constexpr int FUTILITY_SIZE = 20;

extern const int standPatBonusByPhase[PHASE_COUNT];
extern const int evasionBonusByPhase[PHASE_COUNT];
extern const int deltaPawnByPhase[PHASE_COUNT];
extern const int deltaMinorByPhase[PHASE_COUNT];
extern const int deltaRookByPhase[PHASE_COUNT];
extern const int checkMarginByPhase[PHASE_COUNT][4];
// Futility margins at phase 0 and phase 24; other phases lie on the straight line.
extern const int futilityMarginEnds[2][FUTILITY_SIZE];
extern const int futilityMargin2Ends[2][FUTILITY_SIZE];

// The values in force for the current search.
struct SearchMargins {
  int standPatBonus = 0;
  int evasionBonus = 0;
  int deltaPawn = 0, deltaMinor = 0, deltaRook = 0;
  int checkMargin[5] = {};  // by checkPlies 1..4
  int futilityMargin[FUTILITY_SIZE] = {};
  int futilityMargin2[FUTILITY_SIZE] = {};
  int gameStage = 0;      // 0..3 from the phase
  int drawScore[2] = {};  // by side to move
};

// Loads every phase-indexed margin for `phase` (capped at 24) and scales the two
// futility tables by pruningLevel (100 turns them to 0, -1000 makes them 11 times larger).
void loadSearchMargins(SearchMargins& margins, int phase, int pruningLevel);
// Contempt: the side to move at the root gets -contempt, the other side +contempt.
void setDrawScores(SearchMargins& margins, int rootSide, int contempt);

}  // namespace velt
