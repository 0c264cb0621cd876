// Game-level state of the shell: the engine's name, what the protocol handlers
// leave for the game loop and the game record. The clocks and the analysis mode,
// which the search reads too, are search state (search_state.h).
#pragma once

#include <cstdint>

#include "board/types.h"
#include "search/search_state.h"

// Codes a protocol handler leaves in pendingCommand for the game loop.
enum PendingCommand : int {
  CMD_NONE = 0,
  CMD_NEW_GAME = 1,
  CMD_TAKE_BACK = 2,
  CMD_GO = 6,
  CMD_FORCE = 7,
  CMD_SET_POSITION = 9,
  CMD_ANALYZE = 10,
  CMD_QUIT = 11,
};

constexpr int ENGINE_NAME_SIZE = 16;
constexpr int COMMAND_ARG_SIZE = 128;
constexpr int MOVE_TEXT_SIZE = 8;

extern char engineName[ENGINE_NAME_SIZE];
extern int pendingCommand;
extern char commandArg[COMMAND_ARG_SIZE];
extern int engineSide;  // WHITE, BLACK or NO_PIECE (none)
extern bool gameOver;
extern bool forceMode;
// Sets analysisMode (search_state.h) and, with it, the bishop promotions of the game
// position.
void setAnalysisMode(bool on);
extern int bookMovesLeft;
extern int userMoveFrom, userMoveTo;
extern char userMovePromotion;
extern char moveHistory[MAX_GAME_PLY][MOVE_TEXT_SIZE];
extern int lastMovePly;

// State of the move decision and the protocols (defined in play_state.cpp).
extern char startFen[COMMAND_ARG_SIZE];  // set-up FEN of the current game, "" = start position
extern Move expectedMove;       // the reply an xboard ponder search runs on, or 0
extern bool decidedSearchActive;  // the game has switched to the decided-position search
extern int bookExitPly;
extern int resignCount;
extern int savedTimePerMove, savedDepthLimit;  // restored when analysis ends
constexpr int USER_MOVE_TEXT_SIZE = 32;
extern char userMoveText[USER_MOVE_TEXT_SIZE];  // the user's move as typed, for messages
