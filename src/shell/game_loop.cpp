// The main loop after start-up.
#include "shell/game_loop.h"

#include "shell/game_state.h"
#include "shell/input.h"

void runGameLoop() {
  for (;;) {
    pendingCommand = CMD_NONE;
    commandArg[0] = '\0';
    while (pendingCommand == CMD_NONE) readCommand(true);
    if (pendingCommand == CMD_QUIT) return;
  }
}
