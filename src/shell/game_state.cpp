// The shell's game-level state.
#include "shell/game_state.h"

#include "board/position.h"

char engineName[ENGINE_NAME_SIZE] = "Velt 4.6";
int pendingCommand = CMD_NONE;
char commandArg[COMMAND_ARG_SIZE];
int engineSide = NO_PIECE;
bool gameOver = false;
bool forceMode = false;

void setAnalysisMode(bool on) {
  analysisMode = on;
  gamePosition.bishopPromotions = on;
}
int bookMovesLeft = 3;
int userMoveFrom = -1, userMoveTo = -1;
char userMovePromotion = '\0';
char moveHistory[MAX_GAME_PLY][MOVE_TEXT_SIZE];
int lastMovePly = -1;
