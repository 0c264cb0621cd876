// The result check of both protocols.
#include "search/worker.h"
#include "shell/result.h"

#include <cstdio>
#include <cstring>

#include "board/position.h"
#include "board/rules.h"
#include "search/game_end.h"
#include "search/tt.h"
#include "shell/engine.h"
#include "shell/game_state.h"

namespace velt {

void checkGameResult(Engine& engine) {
  Worker& pos = gamePosition;
  pos.ply = 0;
  const GameEnd end = gameEndResult(pos, engine.game.engineSide, recentRootScores[0]);
  if (end.line == nullptr) return;
  print(engine.out, "%s\n", end.line);
  if (!end.over) return;
  engine.game.gameOver = true;
  if (end.mate && pos.gamePly > 0) {
    if (char* plus = std::strchr(engine.game.moveHistory[pos.gamePly - 1], '+')) *plus = '#';
  }
}

}  // namespace velt
