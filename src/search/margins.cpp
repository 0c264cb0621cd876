// Loading the phase-indexed margins for one search.
#include "search/margins.h"

#include <algorithm>

int standPatBonus = 0;
int evasionBonus = 0;
int deltaPawn = 0, deltaMinor = 0, deltaRook = 0;
int checkMargin[5] = {};
int futilityMargin[FUTILITY_SIZE] = {};
int futilityMargin2[FUTILITY_SIZE] = {};
int gameStage = 0;
int drawScore[2] = {};

namespace {

int interpolate(const int (&ends)[2][FUTILITY_SIZE], int index, int phase) {
  return (ends[0][index] * (24 - phase) + ends[1][index] * phase) / 24;
}

int scaleByPruningLevel(int margin, int pruningLevel) { return margin - margin * pruningLevel / 100; }

}  // namespace

void loadSearchMargins(int phase, int pruningLevel) {
  phase = std::clamp(phase, 0, 24);
  gameStage = phase >= 18 ? 3 : phase >= 12 ? 2 : phase >= 6 ? 1 : 0;
  standPatBonus = standPatBonusByPhase[phase];
  evasionBonus = evasionBonusByPhase[phase];
  deltaPawn = deltaPawnByPhase[phase];
  deltaMinor = deltaMinorByPhase[phase];
  deltaRook = deltaRookByPhase[phase];
  for (int plies = 1; plies <= 4; ++plies) checkMargin[plies] = checkMarginByPhase[phase][plies - 1];
  for (int i = 0; i < FUTILITY_SIZE; ++i) {
    futilityMargin[i] = scaleByPruningLevel(interpolate(futilityMarginEnds, i, phase), pruningLevel);
    futilityMargin2[i] = scaleByPruningLevel(interpolate(futilityMargin2Ends, i, phase), pruningLevel);
  }
}

void setDrawScores(int rootSide, int contempt) {
  drawScore[rootSide] = -contempt;
  drawScore[rootSide ^ 1] = contempt;
}
