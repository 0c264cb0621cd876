// The main loop after start-up: the engine's turn, then the commands the protocol
// handlers leave behind.
#include "shell/game_loop.h"

#include <cstdio>

#include "board/position.h"
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

void runGameLoop() {
  const Position& pos = gamePosition;
  for (;;) {
    game.pendingCommand = CMD_NONE;
    game.commandArg[0] = '\0';
    applyDeferredOptions();
    if (pos.gamePly > LAST_THINKING_PLY && !game.gameOver) {
      std::printf("ERROR (maximum number of moves reached): main\n");
      std::fflush(stdout);
      game.gameOver = true;
    }
    if (search.analysisMode) game.engineSide = pos.side;
    if (game.engineSide == pos.side && !game.gameOver) think();
    sendPongsAfterMove();
    while (game.pendingCommand == CMD_NONE && game.userMoveFrom < 0) readCommand(true);
    if (game.pendingCommand == CMD_QUIT) return;
    if (game.userMoveFrom >= 0) applyUserMove();
    carryOutCommand(game.pendingCommand);
  }
}

}  // namespace velt
