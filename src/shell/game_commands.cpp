// The commands the game loop carries out between searches.
#include "search/worker.h"
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
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/result.h"
#include "shell/uci.h"

namespace velt {

namespace {

void resetGameState(Engine& engine, const char* fen) {
  engine.game.gameOver = false;
  engine.game.engineSide = NO_PIECE;
  engine.game.lastMovePly = -1;
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = engine.timeControl.baseTime;
  engine.timeControl.timeLag = 20;
  engine.game.resignCount = 0;
  engine.game.bookExitPly = 0;
  engine.game.bookMovesLeft = 3;
  engine.game.decidedSearchActive = false;
  engine.game.expectedMove = MOVE_NONE;
  engine.game.userMoveFrom = engine.game.userMoveTo = -1;
  std::snprintf(engine.game.startFen, COMMAND_ARG_SIZE, "%s", fen);
}

// Whether a listed coordinate move is the move played: the same squares, and the same
// promotion letter in either case when the played move promotes.
bool isPlayedMove(const Engine& engine, const char* text, Move played) {
  const std::string playedText = moveToCoordinate(played, kingTakesRook(engine));
  if (std::strncmp(text, playedText.c_str(), 4) != 0) return false;
  if ((played & FLAG_PROMOTION) == 0) return true;
  return std::toupper(static_cast<unsigned char>(text[4])) == std::toupper(static_cast<unsigned char>(playedText[4]));
}

// How many listed moves the current game has already played: all of its moves when
// it started from the same position and they open the list, else 0.
int movesAlreadyPlayed(const Engine& engine, const char* fen) {
  const Position& pos = engine.gamePosition;
  if (pos.gamePly == 0 || pos.gamePly > engine.game.positionMoveCount || std::strcmp(fen, engine.game.startFen) != 0) return 0;
  for (int i = 0; i < pos.gamePly; ++i) {
    if (!isPlayedMove(engine, engine.game.positionMoves[i], pos.undo[i].move)) return 0;
  }
  return pos.gamePly;
}

void setUpPositionCommand(Engine& engine) {
  const bool clearTables = (engine.engineFlags & FLAG_PRESERVE_HASH) == 0;
  if (engine.game.commandArg[0] != 'M') {
    startGame(engine, engine.game.commandArg, clearTables);
    return;
  }
  const char* fen = engine.game.commandArg + 1;
  while (*fen == ' ') ++fen;
  const int played = movesAlreadyPlayed(engine, fen);
  if (played == 0 && !startGame(engine, fen, clearTables)) return;
  Worker& pos = engine.gamePosition;
  for (int i = played; i < engine.game.positionMoveCount; ++i) {
    Move move = MOVE_NONE;
    if (!parseMoveText(pos, engine.game.positionMoves[i], move) || !makeGameMove(engine, move)) {
      print(engine.out, "info string %s: %s (the list ends before it)\n",
            pos.gamePly >= MAX_RECORDED_PLY ? "No room in the game record" : "Illegal move",
            engine.game.positionMoves[i]);
      break;
    }
  }
  engine.game.lastMovePly = pos.gamePly - 1;
  checkGameResult(engine);
}

void takeBack(Engine& engine) {
  const Position& pos = engine.gamePosition;
  if (pos.gamePly == 0) return;
  engine.game.gameOver = false;
  engine.game.engineSide = NO_PIECE;
  engine.tt.recentRootScores[0] = MATE_SCORE;
  if (pos.gamePly < engine.game.lastMovePly) engine.game.bookMovesLeft = 3;
  takeBackGameMove(engine);
  if (std::strcmp(engine.game.commandArg, "2") == 0 && pos.gamePly != 0) takeBackGameMove(engine);
}

void enterAnalysis(Engine& engine) {
  if (!engine.search.analysisMode) {
    engine.game.savedTimePerMove = engine.timeControl.timePerMove;
    engine.game.savedDepthLimit = engine.timeControl.maxSearchDepth;
  }
  engine.timeControl.timePerMove = 0;
  engine.timeControl.maxSearchDepth = 60;
  setAnalysisMode(engine, true);
}

}  // namespace

void newGame(Engine& engine, bool clearTables) {
  if (clearTables) clearSearchTables(engine);
  resetHistory(engine.history);
  resetTimeBase();
  setUpStartPosition(engine.gamePosition);
  resetSearchForNewGame(engine);
}

bool startGame(Engine& engine, const char* fen, bool clearTables) {
  // parseFen changes nothing when it refuses, so a bad FEN leaves the game alone.
  if (*fen != '\0' && !parseFen(engine.gamePosition, fen)) {
    print(engine.out, "Illegal position: %s\n", fen);
    return false;
  }
  // A game that switched to the decided-position search leaves a table of its own.
  newGame(engine, clearTables || engine.game.decidedSearchActive);
  if (*fen != '\0') parseFen(engine.gamePosition, fen);
  resetGameState(engine, fen);
  prepareGameRoot(engine);
  return true;
}

void applyUserMove(Engine& engine) {
  Worker& pos = engine.gamePosition;
  Move move = findLegalMove(pos, engine.game.userMoveFrom, engine.game.userMoveTo, engine.game.userMovePromotion);
  // Castling as text or as the king taking its rook.
  if (move == MOVE_NONE) move = legalMoveFromText(pos, engine.game.userMoveText);
  if (move == MOVE_NONE || !makeGameMove(engine, move)) {
    print(engine.out, "Illegal move: %s\n", engine.game.userMoveText);
    debugLog(engine, "Illegal Move-> %d %d (%" PRIu32 ")\n", engine.game.userMoveFrom, engine.game.userMoveTo, currentTimeMs());
  } else {
    if (!engine.game.forceMode) engine.game.engineSide = pos.side;
    engine.game.lastMovePly = pos.gamePly - 1;
    checkGameResult(engine);
  }
  engine.game.userMoveFrom = engine.game.userMoveTo = -1;
}

void carryOutCommand(Engine& engine, int command) {
  const int side = engine.gamePosition.side;
  switch (command) {
    case CMD_NEW_GAME:
      startGame(engine, "", true);
      engine.game.forceMode = false;
      break;
    case CMD_TAKE_BACK:
      takeBack(engine);
      break;
    case CMD_GO:
      if (engine.game.engineSide != NO_PIECE && engine.game.engineSide != side) {
        std::swap(engine.timeControl.clockCs[WHITE], engine.timeControl.clockCs[BLACK]);
      }
      engine.game.forceMode = false;
      engine.game.engineSide = side;
      break;
    case CMD_FORCE:
      engine.game.engineSide = NO_PIECE;
      engine.game.forceMode = !engine.game.forceMode;
      engine.tt.recentRootScores[0] = MATE_SCORE;
      break;
    case CMD_SET_POSITION:
      setUpPositionCommand(engine);
      engine.game.engineSide = NO_PIECE;
      break;
    case CMD_ANALYZE:
      enterAnalysis(engine);
      break;
    default:
      break;
  }
}

}  // namespace velt
