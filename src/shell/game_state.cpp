// The shell's game-level state.
#include "search/worker.h"
#include "shell/game_state.h"

#include "board/position.h"

namespace velt {

void setAnalysisMode(bool on) {
  search.analysisMode = on;
  gamePosition.bishopPromotions = on;
}

}  // namespace velt
