// The main loop after start-up: the engine's turn, then the commands the protocol
// handlers leave behind.
#include "search/worker.h"
#include "shell/game_loop.h"

#include <cstdio>

#include "board/position.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/think.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace velt {

namespace {

// Beyond this game ply the engine no longer thinks.
constexpr int LAST_THINKING_PLY = 735;

}  // namespace

void runGameLoop(Engine& engine) {
  const Position& pos = engine.gamePosition;
  for (;;) {
    engine.game.pendingCommand = CMD_NONE;
    engine.game.commandArg[0] = '\0';
    applyQueuedOptions(engine);
    if (pos.gamePly > LAST_THINKING_PLY && !engine.game.gameOver) {
      print(engine.out, "ERROR (maximum number of moves reached): main\n");
      engine.game.gameOver = true;
    }
    if (engine.search.analysisMode) engine.game.engineSide = pos.side;
    if (engine.game.engineSide == pos.side && !engine.game.gameOver) think(engine);
    sendPongsAfterMove(engine);
    while (engine.game.pendingCommand == CMD_NONE && engine.game.userMoveFrom < 0) readCommand(engine);
    if (engine.game.pendingCommand == CMD_QUIT) return;
    if (engine.game.userMoveFrom >= 0) applyUserMove(engine);
    carryOutCommand(engine, engine.game.pendingCommand);
  }
}

}  // namespace velt
