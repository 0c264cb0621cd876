// xboard: feature lines, time controls, game flow and user moves.
#include "shell/xboard.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "board/position.h"
#include "search/search_state.h"
#include "shell/clock_settings.h"
#include "shell/command_words.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/analysis_status.h"
#include "shell/book_play.h"
#include "shell/uci.h"

namespace velt {

namespace {

void printFeatures() {
  std::printf("feature ping=1 setboard=1 san=0 time=1 draw=0\n");
  std::printf("feature sigint=0 sigterm=0 reuse=1 analyze=1\n");
  std::printf("feature myname=\"%s\" name=1\n", game.engineName);
  std::printf("feature playother=1 colors=0\n");
  std::printf("feature variants=\"normal\"\n");
  std::printf("feature done=1\n");
  std::fflush(stdout);
}

// Squares of a coordinate move word, or false when it names none.
bool readMoveSquares(const std::string& word, int& from, int& to) {
  if (word.size() < 4) return false;
  const auto file = [](char c) { return c >= 'a' && c <= 'h' ? c - 'a' : -1; };
  const auto rank = [](char c) { return c >= '1' && c <= '8' ? c - '1' : -1; };
  const int squares[4] = {file(word[0]), rank(word[1]), file(word[2]), rank(word[3])};
  for (int part : squares) {
    if (part < 0) return false;
  }
  from = squares[0] + 8 * squares[1];
  to = squares[2] + 8 * squares[3];
  return true;
}

bool isPonderHit(int from, int to, char promotionLetter) {
  if (!search.pondering || game.expectedMove == MOVE_NONE) return false;
  if (moveFrom(game.expectedMove) != from || moveTo(game.expectedMove) != to) return false;
  if ((game.expectedMove & FLAG_PROMOTION) == 0) return true;
  const char upper = static_cast<char>(promotionLetter >= 'a' && promotionLetter <= 'z' ? promotionLetter - 32 : promotionLetter);
  return upper == PIECE_LETTERS[movePromotion(game.expectedMove)];
}

void userMove(const std::string& word) {
  int from = 0;
  int to = 0;
  if (!readMoveSquares(lowerCase(word), from, to)) return;
  const char promotionLetter = word.size() > 4 ? word[4] : '\0';
  search.stopState = STOP_COMMAND;
  if (isPonderHit(from, to, promotionLetter)) {
    ++game.lastMovePly;
    game.userMoveFrom = game.userMoveTo = -1;
    search.stopState = STOP_PONDER_HIT;
    return;
  }
  game.userMoveFrom = from;
  game.userMoveTo = to;
  game.userMovePromotion = promotionLetter;
  std::snprintf(game.userMoveText, USER_MOVE_TEXT_SIZE, "%s", word.c_str());
}

void level(const std::vector<CommandWord>& words) {
  if (words.size() < 4) {
    std::printf("ERROR (wrong number of parameters): level <nmoves> <min> <inc>\n");
    std::fflush(stdout);
    return;
  }
  setLevel(commandNumber(words[1].text.c_str()), words[2].text.c_str(), words[3].text.c_str());
  if (search.pondering) search.stopState = STOP_COMMAND;
}

void timeCommand(int centiseconds) {
  takeBaseFromClock(centiseconds);
  if (game.engineSide == NO_PIECE) {
    timeControl.clockCs[gamePosition.xside] = centiseconds;
    return;
  }
  estimateXboardLag(timeControl.clockCs[game.engineSide], centiseconds);
  timeControl.clockCs[game.engineSide] = centiseconds;
}

void otimCommand(int centiseconds) {
  timeControl.clockCs[game.engineSide == NO_PIECE ? gamePosition.side : game.engineSide ^ 1] = centiseconds;
}

void hint() {
  Move move = MOVE_NONE;
  if (search.pondering) {
    move = game.expectedMove;
  } else if (search.analysisMode) {
    move = search.bestMove;
  }
  if (move == MOVE_NONE) return;
  std::printf("Hint: %s\n", moveToUci(move));
  std::fflush(stdout);
}

}  // namespace

void sendPongsAfterMove() {
  if (game.pongsAfterMove.empty()) return;
  std::fputs(game.pongsAfterMove.c_str(), stdout);
  std::fflush(stdout);
  game.pongsAfterMove.clear();
}

void handleXboardCommand(const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty()) return;
  const std::string command = lowerCase(words[0].text);
  const char* argument = words.size() > 1 ? words[1].text.c_str() : "";
  const bool idle = !search.searching || search.pondering || search.analysisMode;
  if (command == "xboard") {
    printFeatures();
  } else if (command == "analyze") {
    game.pendingCommand = CMD_ANALYZE;
    search.stopState = STOP_COMMAND;
  } else if (command == ".") {
    if (search.analysisMode) printSearchStatus();
  } else if (command == "bk") {
    if (!search.searching) showBookMoves(commandNumber(argument));
  } else if (command == "computer") {
    engineFlags |= FLAG_OPPONENT_COMPUTER;
  } else if (command == "exit") {
    endAnalysis();
    search.stopState = STOP_COMMAND;
  } else if (command == "force") {
    if (!game.forceMode) {
      game.pendingCommand = CMD_FORCE;
      search.stopState = STOP_COMMAND;
    }
  } else if (command == "go") {
    if (idle) {
      game.pendingCommand = CMD_GO;
      search.stopState = STOP_COMMAND;
    }
  } else if (command == "hard") {
    engineFlags |= FLAG_PONDER;
  } else if (command == "hint") {
    hint();
  } else if (command == "easy") {
    engineFlags &= ~FLAG_PONDER;
    if (search.pondering) search.stopState = STOP_COMMAND;
  } else if (command == "level") {
    level(words);
  } else if (command == "new") {
    game.pendingCommand = CMD_NEW_GAME;
    search.stopState = STOP_COMMAND;
  } else if (command == "ping") {
    // A front end takes the pong for "everything before the ping is done", which on
    // the engine's own turn includes its move.
    if (idle) {
      std::printf("pong %s\n", argument);
      std::fflush(stdout);
    } else {
      game.pongsAfterMove += "pong ";
      game.pongsAfterMove += argument;
      game.pongsAfterMove += '\n';
    }
    if (search.pondering) search.stopState = STOP_COMMAND;
  } else if (command == "playother") {
    game.forceMode = false;
    game.engineSide = gamePosition.xside;
    search.stopState = STOP_COMMAND;
  } else if (command == "post") {
    engineFlags |= FLAG_POST;
  } else if (command == "nopost") {
    engineFlags &= ~FLAG_POST;
  } else if (command == "quit") {
    game.pendingCommand = CMD_QUIT;
    setAnalysisMode(false);
    search.stopState = STOP_COMMAND;
  } else if (command == "remove" || command == "undo") {
    game.pendingCommand = CMD_TAKE_BACK;
    std::snprintf(game.commandArg, COMMAND_ARG_SIZE, "%s", command == "remove" ? "2" : "");
    search.stopState = STOP_COMMAND;
  } else if (command == "result") {
    game.gameOver = true;
    search.stopState = STOP_COMMAND;
  } else if (command == "setboard") {
    const auto field = [&](std::size_t i) { return i < words.size() ? words[i].text.c_str() : ""; };
    std::snprintf(game.commandArg, COMMAND_ARG_SIZE, "%.80s %.1s %.4s %.2s", field(1), field(2), field(3), field(4));
    game.pendingCommand = CMD_SET_POSITION;
    search.stopState = STOP_COMMAND;
  } else if (command == "sd") {
    // Front ends send "sd" after "level" or "st": the depth limit comes on top of the
    // time control, which still holds.
    timeControl.maxSearchDepth = depthFromText(argument);
  } else if (command == "st") {
    setSecondsPerMove(commandNumber(argument));
  } else if (command == "time") {
    timeCommand(clockFromText(argument));
  } else if (command == "otim") {
    otimCommand(clockFromText(argument));
  } else if (command == "?") {
    if (search.searching && !search.pondering && !search.analysisMode) search.stopState = STOP_MOVE_NOW;
  } else if (command == "draw" || command == "name" || command == "protover") {
    // Draw offers are never accepted; names and the protocol version need no answer.
  } else if (idle) {
    userMove(words[0].text);
  }
}

}  // namespace velt
