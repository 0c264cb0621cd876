// State of the move decision and the protocol handlers.
#include "shell/game_state.h"

char startFen[COMMAND_ARG_SIZE];
Move expectedMove = MOVE_NONE;
bool decidedSearchActive = false;
int bookExitPly = 0;
int resignCount = 0;
int savedTimePerMove = 500, savedDepthLimit = 60;
char userMoveText[USER_MOVE_TEXT_SIZE];
