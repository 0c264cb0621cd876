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

namespace {

// Beyond this game ply the engine no longer thinks.
constexpr int LAST_THINKING_PLY = 735;

}  // namespace

void runGameLoop() {
  const Position& pos = gamePosition;
  for (;;) {
    pendingCommand = CMD_NONE;
    commandArg[0] = '\0';
    applyDeferredOptions();
    if (pos.gamePly > LAST_THINKING_PLY && !gameOver) {
      std::printf("ERROR (maximum number of moves reached): main\n");
      std::fflush(stdout);
      gameOver = true;
    }
    if (analysisMode) engineSide = pos.side;
    if (engineSide == pos.side && !gameOver) think();
    while (pendingCommand == CMD_NONE && userMoveFrom < 0) readCommand(true);
    if (pendingCommand == CMD_QUIT) return;
    if (userMoveFrom >= 0) applyUserMove();
    carryOutCommand(pendingCommand);
  }
}
