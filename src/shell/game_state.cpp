// The shell's game-level state.
#include "search/worker.h"
#include "shell/engine.h"
#include "shell/game_state.h"

#include "board/position.h"

namespace velt {

void setAnalysisMode(Engine& engine, bool on) {
  engine.search.analysisMode = on;
  engine.gamePosition.bishopPromotions = on;
}

}  // namespace velt
