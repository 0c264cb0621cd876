// The shell's game-level state.
#include "shell/game_state.h"

#include "board/position.h"

GameState game;

void setAnalysisMode(bool on) {
  search.analysisMode = on;
  gamePosition.bishopPromotions = on;
}
