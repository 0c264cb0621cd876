// The game-level state of the shell.
#include "shell/game_state.h"

bool analysisMode = false;
