// The commands the game loop carries out between searches.
#include "shell/game_commands.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

#include "board/coordinate.h"
#include "board/position.h"
#include "search/history.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/clock.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/result.h"
#include "shell/uci.h"

namespace velt {

namespace {

void resetGameState(const char* fen) {
  game.gameOver = false;
  game.engineSide = NO_PIECE;
  game.lastMovePly = -1;
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = timeControl.baseTime;
  timeControl.timeLag = 20;
  game.resignCount = 0;
  game.bookExitPly = 0;
  game.bookMovesLeft = 3;
  game.decidedSearchActive = false;
  game.expectedMove = MOVE_NONE;
  game.userMoveFrom = game.userMoveTo = -1;
  std::snprintf(game.startFen, COMMAND_ARG_SIZE, "%s", fen);
}

// Whether a listed coordinate move is the move played: the same squares, and the same
// promotion letter in either case when the played move promotes.
bool isPlayedMove(const char* text, Move played) {
  const char* playedText = moveToCoordinate(played);
  if (std::strncmp(text, playedText, 4) != 0) return false;
  if ((played & FLAG_PROMOTION) == 0) return true;
  return std::toupper(static_cast<unsigned char>(text[4])) == std::toupper(static_cast<unsigned char>(playedText[4]));
}

// How many listed moves the current game has already played: all of its moves when
// it started from the same position and they open the list, else 0.
int movesAlreadyPlayed(const char* fen) {
  const Position& pos = gamePosition;
  if (pos.gamePly == 0 || pos.gamePly > game.positionMoveCount || std::strcmp(fen, game.startFen) != 0) return 0;
  for (int i = 0; i < pos.gamePly; ++i) {
    if (!isPlayedMove(game.positionMoves[i], pos.undo[i].move)) return 0;
  }
  return pos.gamePly;
}

void setUpPositionCommand() {
  const bool clearTables = (engineFlags & FLAG_PRESERVE_HASH) == 0;
  if (game.commandArg[0] != 'M') {
    startGame(game.commandArg, clearTables);
    return;
  }
  const char* fen = game.commandArg + 1;
  while (*fen == ' ') ++fen;
  const int played = movesAlreadyPlayed(fen);
  if (played == 0 && !startGame(fen, clearTables)) return;
  Position& pos = gamePosition;
  for (int i = played; i < game.positionMoveCount; ++i) {
    Move move = MOVE_NONE;
    if (!parseMoveText(pos, game.positionMoves[i], move) || !makeGameMove(move)) break;
  }
  game.lastMovePly = pos.gamePly - 1;
  checkGameResult();
}

void takeBack() {
  const Position& pos = gamePosition;
  if (pos.gamePly == 0) return;
  game.gameOver = false;
  game.engineSide = NO_PIECE;
  recentRootScores[0] = MATE_SCORE;
  if (pos.gamePly < game.lastMovePly) game.bookMovesLeft = 3;
  takeBackGameMove();
  if (std::strcmp(game.commandArg, "2") == 0 && pos.gamePly != 0) takeBackGameMove();
}

void enterAnalysis() {
  if (!search.analysisMode) {
    game.savedTimePerMove = timeControl.timePerMove;
    game.savedDepthLimit = timeControl.maxSearchDepth;
  }
  timeControl.timePerMove = 0;
  timeControl.maxSearchDepth = 60;
  setAnalysisMode(true);
}

}  // namespace

void newGame(bool clearTables) {
  if (clearTables) ttClear();
  resetHistory();
  resetTimeBase();
  setUpStartPosition();
  resetSearchForNewGame();
}

bool startGame(const char* fen, bool clearTables) {
  // parseFen changes nothing when it refuses, so a bad FEN leaves the game alone.
  if (*fen != '\0' && !parseFen(fen)) {
    std::printf("Illegal position: %s\n", fen);
    std::fflush(stdout);
    return false;
  }
  // A game that switched to the decided-position search leaves a table of its own.
  newGame(clearTables || game.decidedSearchActive);
  if (*fen != '\0') parseFen(fen);
  resetGameState(fen);
  prepareGameRoot();
  return true;
}

void applyUserMove() {
  Position& pos = gamePosition;
  const Move move = findLegalMove(pos, game.userMoveFrom, game.userMoveTo, game.userMovePromotion);
  if (move == MOVE_NONE || !makeGameMove(move)) {
    std::printf("Illegal move: %s\n", game.userMoveText);
    std::fflush(stdout);
    debugLog("Illegal Move-> %d %d (%" PRIu32 ")\n", game.userMoveFrom, game.userMoveTo, currentTimeMs());
  } else {
    if (!game.forceMode) game.engineSide = pos.side;
    game.lastMovePly = pos.gamePly - 1;
    checkGameResult();
  }
  game.userMoveFrom = game.userMoveTo = -1;
}

void carryOutCommand(int command) {
  const int side = gamePosition.side;
  switch (command) {
    case CMD_NEW_GAME:
      startGame("", true);
      game.forceMode = false;
      break;
    case CMD_TAKE_BACK:
      takeBack();
      break;
    case CMD_GO:
      if (game.engineSide != NO_PIECE && game.engineSide != side) {
        std::swap(timeControl.clockCs[WHITE], timeControl.clockCs[BLACK]);
      }
      game.forceMode = false;
      game.engineSide = side;
      break;
    case CMD_FORCE:
      game.engineSide = NO_PIECE;
      game.forceMode = !game.forceMode;
      recentRootScores[0] = MATE_SCORE;
      break;
    case CMD_SET_POSITION:
      setUpPositionCommand();
      game.engineSide = NO_PIECE;
      break;
    case CMD_ANALYZE:
      enterAnalysis();
      break;
    default:
      break;
  }
}

}  // namespace velt
