// The engine-wide search state and its new-game defaults.
#include "search/search_state.h"

#include <algorithm>

#include "board/movegen.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "search/tt.h"
#include "search/worker.h"

namespace velt {

TimeControl timeControl;
TimeAllotment allotment;
SearchState search;
Worker gamePosition;

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

void setUpStartPosition(EvalPosition& pos) {
  setUpPosition(pos);
  buildOrderTables();
  // The root needs the material table, which initApp builds before its new game.
  if (matInfo) prepareRoot(pos);
}

}  // namespace velt
