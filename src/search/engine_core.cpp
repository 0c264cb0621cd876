// The engine's search record: its construction and its new-game defaults.
#include "search/engine_core.h"

#include <algorithm>

#include "board/movegen.h"
#include "eval/move_step.h"

namespace velt {

EngineCore::EngineCore() {
  gamePosition.engine = this;
  gamePosition.evalData = &evalData;
  resetHistory(history);
}

void resetSearchForNewGame(EngineCore& engine) {
  engine.tt.recentRootScores[0] = MATE_SCORE;
  engine.tt.recentRootScores[1] = 0;
  ttForgetSide(engine.tt);
  engine.search.pollMask = 65535;
  engine.search.tbPollInterval = 10;
  engine.search.bestMove = engine.search.ponderMove = MOVE_NONE;
  engine.search.searchMovesText[0] = '\0';
  for (auto& killers : engine.gamePosition.killers) std::fill(std::begin(killers), std::end(killers), MOVE_NONE);
}

void clearSearchTables(EngineCore& engine) {
  ttClear(engine.tt);
  clearPawnHash(engine.evalData);
  resetHistory(engine.history);
}

void setUpStartPosition(EvalPosition& pos) {
  setUpPosition(pos);
  // The root needs the material table, which initApp builds before its new game.
  if (pos.evalData != nullptr && pos.evalData->material.entries != nullptr) prepareRoot(pos);
}

}  // namespace velt
