// Game-level state of the shell, kept in the engine record (engine.h): the engine's
// name, what the protocol handlers leave for the game loop and the game record. The
// clocks and the analysis mode, which the search reads too, are search state
// (search_state.h).
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"
#include "search/search_state.h"

namespace velt {

struct Engine;

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

// Sets analysisMode (search_state.h) and, with it, the bishop promotions of the game
// position.
void setAnalysisMode(Engine& engine, bool on);

constexpr int USER_MOVE_TEXT_SIZE = 32;

struct GameState {
  char engineName[ENGINE_NAME_SIZE] = "";  // the name and version, set at start-up
  // What a protocol handler leaves for the game loop.
  int pendingCommand = CMD_NONE;
  char commandArg[COMMAND_ARG_SIZE] = "";
  int engineSide = NO_PIECE;  // WHITE, BLACK or NO_PIECE (none)
  bool gameOver = false;
  bool forceMode = false;
  int bookMovesLeft = 3;
  int userMoveFrom = -1, userMoveTo = -1;
  char userMovePromotion = '\0';
  char userMoveText[USER_MOVE_TEXT_SIZE] = "";  // the user's move as typed, for messages
  // The answers to xboard "ping"s that came while the engine thought about its own
  // move: they follow the move.
  std::string pongsAfterMove;

  // The game record.
  char moveHistory[MAX_GAME_PLY][MOVE_TEXT_SIZE] = {};
  int lastMovePly = -1;
  char startFen[COMMAND_ARG_SIZE] = "";  // set-up FEN of the current game, "" = start position
  // The move list of the last UCI "position" command in coordinate notation.
  char positionMoves[MAX_GAME_PLY][MOVE_TEXT_SIZE] = {};
  int positionMoveCount = 0;

  // The move decision.
  Move expectedMove = MOVE_NONE;     // the reply a ponder search runs on, or 0
  bool decidedSearchActive = false;  // the game has switched to the decided-position search
  int bookExitPly = 0;
  int resignCount = 0;
  int savedTimePerMove = 500, savedDepthLimit = 60;  // restored when analysis ends
};

}  // namespace velt
