// The engine-wide search state and its new-game defaults.
#include "search/search_state.h"

#include <algorithm>

#include "board/position.h"
#include "search/tt.h"

namespace velt {

TimeControl timeControl;
TimeAllotment allotment;
SearchState search;

void resetSearchForNewGame() {
  recentRootScores[0] = MATE_SCORE;
  recentRootScores[1] = 0;
  ttForgetSide();
  search.pollMask = 65535;
  search.tbPollInterval = 10;
  search.bestMove = search.ponderMove = MOVE_NONE;
  search.searchMovesText[0] = '\0';
  for (auto& killers : gamePosition.killers) std::fill(std::begin(killers), std::end(killers), MOVE_NONE);
}

}  // namespace velt
