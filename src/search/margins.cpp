// Loading the phase-indexed margins for one search.
#include "search/margins.h"

#include <algorithm>

namespace velt {

SearchMargins searchMargins;

namespace {

int interpolate(const int (&ends)[2][FUTILITY_SIZE], int index, int phase) {
  return (ends[0][index] * (24 - phase) + ends[1][index] * phase) / 24;
}

int scaleByPruningLevel(int margin, int pruningLevel) { return margin - margin * pruningLevel / 100; }

}  // namespace

void loadSearchMargins(int phase, int pruningLevel) {
  phase = std::clamp(phase, 0, 24);
  searchMargins.gameStage = phase >= 18 ? 3 : phase >= 12 ? 2 : phase >= 6 ? 1 : 0;
  searchMargins.standPatBonus = standPatBonusByPhase[phase];
  searchMargins.evasionBonus = evasionBonusByPhase[phase];
  searchMargins.deltaPawn = deltaPawnByPhase[phase];
  searchMargins.deltaMinor = deltaMinorByPhase[phase];
  searchMargins.deltaRook = deltaRookByPhase[phase];
  for (int plies = 1; plies <= 4; ++plies) searchMargins.checkMargin[plies] = checkMarginByPhase[phase][plies - 1];
  for (int i = 0; i < FUTILITY_SIZE; ++i) {
    searchMargins.futilityMargin[i] = scaleByPruningLevel(interpolate(futilityMarginEnds, i, phase), pruningLevel);
    searchMargins.futilityMargin2[i] = scaleByPruningLevel(interpolate(futilityMargin2Ends, i, phase), pruningLevel);
  }
}

void setDrawScores(int rootSide, int contempt) {
  searchMargins.drawScore[rootSide] = -contempt;
  searchMargins.drawScore[rootSide ^ 1] = contempt;
}

}  // namespace velt
