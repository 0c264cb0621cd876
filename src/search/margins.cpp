// Loading the phase-indexed margins for one search.
#include "search/margins.h"

#include <algorithm>

namespace velt {

namespace {

int interpolate(const int (&ends)[2][FUTILITY_SIZE], int index, int phase) {
  return (ends[0][index] * (24 - phase) + ends[1][index] * phase) / 24;
}

int scaleByPruningLevel(int margin, int pruningLevel) { return margin - margin * pruningLevel / 100; }

}  // namespace

void loadSearchMargins(SearchMargins& margins, int phase, int pruningLevel) {
  phase = std::clamp(phase, 0, 24);
  margins.gameStage = phase >= 18 ? 3 : phase >= 12 ? 2 : phase >= 6 ? 1 : 0;
  margins.standPatBonus = standPatBonusByPhase[phase];
  margins.evasionBonus = evasionBonusByPhase[phase];
  margins.deltaPawn = deltaPawnByPhase[phase];
  margins.deltaMinor = deltaMinorByPhase[phase];
  margins.deltaRook = deltaRookByPhase[phase];
  for (int plies = 1; plies <= 4; ++plies) margins.checkMargin[plies] = checkMarginByPhase[phase][plies - 1];
  for (int i = 0; i < FUTILITY_SIZE; ++i) {
    margins.futilityMargin[i] = scaleByPruningLevel(interpolate(futilityMarginEnds, i, phase), pruningLevel);
    margins.futilityMargin2[i] = scaleByPruningLevel(interpolate(futilityMargin2Ends, i, phase), pruningLevel);
  }
}

void setDrawScores(SearchMargins& margins, int rootSide, int contempt) {
  margins.drawScore[rootSide] = -contempt;
  margins.drawScore[rootSide ^ 1] = contempt;
}

}  // namespace velt
