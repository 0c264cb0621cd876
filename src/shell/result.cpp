// The result check of both protocols.
#include "shell/result.h"

#include <cstdio>
#include <cstring>

#include "board/position.h"
#include "board/rules.h"
#include "search/tt.h"
#include "shell/game_state.h"

namespace velt {

void checkGameResult() {
  Position& pos = gamePosition;
  pos.ply = 0;
  const GameEnd end = gameEndResult(pos, game.engineSide, recentRootScores[0]);
  if (end.line == nullptr) return;
  std::printf("%s\n", end.line);
  std::fflush(stdout);
  if (!end.over) return;
  game.gameOver = true;
  if (end.mate && pos.gamePly > 0) {
    if (char* plus = std::strchr(game.moveHistory[pos.gamePly - 1], '+')) *plus = '#';
  }
}

}  // namespace velt
