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

namespace {

void printFeatures() {
  std::printf("feature ping=1 setboard=1 san=0 time=1 draw=0\n");
  std::printf("feature sigint=0 sigterm=0 reuse=1 analyze=1\n");
  std::printf("feature myname=\"%s\" name=1\n", engineName);
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
  if (!pondering || expectedMove == MOVE_NONE) return false;
  if (moveFrom(expectedMove) != from || moveTo(expectedMove) != to) return false;
  if ((expectedMove & FLAG_PROMOTION) == 0) return true;
  const char upper = static_cast<char>(promotionLetter >= 'a' && promotionLetter <= 'z' ? promotionLetter - 32 : promotionLetter);
  return upper == PIECE_LETTERS[movePromotion(expectedMove)];
}

void userMove(const std::string& word) {
  int from = 0;
  int to = 0;
  if (!readMoveSquares(lowerCase(word), from, to)) return;
  const char promotionLetter = word.size() > 4 ? word[4] : '\0';
  stopState = STOP_COMMAND;
  if (isPonderHit(from, to, promotionLetter)) {
    ++lastMovePly;
    userMoveFrom = userMoveTo = -1;
    stopState = STOP_PONDER_HIT;
    return;
  }
  userMoveFrom = from;
  userMoveTo = to;
  userMovePromotion = promotionLetter;
  std::snprintf(userMoveText, USER_MOVE_TEXT_SIZE, "%s", word.c_str());
}

void level(const std::vector<CommandWord>& words) {
  if (words.size() < 4) {
    std::printf("ERROR (wrong number of parameters): level <nmoves> <min> <inc>\n");
    std::fflush(stdout);
    return;
  }
  setLevel(commandNumber(words[1].text.c_str()), words[2].text.c_str(), words[3].text.c_str());
  if (pondering) stopState = STOP_COMMAND;
}

void timeCommand(int centiseconds) {
  takeBaseFromClock(centiseconds);
  if (engineSide == NO_PIECE) {
    clockCs[gamePosition.xside] = centiseconds;
    return;
  }
  estimateXboardLag(clockCs[engineSide], centiseconds);
  clockCs[engineSide] = centiseconds;
}

void otimCommand(int centiseconds) {
  clockCs[engineSide == NO_PIECE ? gamePosition.side : engineSide ^ 1] = centiseconds;
}

void hint() {
  Move move = MOVE_NONE;
  if (pondering) {
    move = expectedMove;
  } else if (analysisMode) {
    move = bestMove;
  }
  if (move == MOVE_NONE) return;
  std::printf("Hint: %s\n", moveToUci(move));
  std::fflush(stdout);
}

}  // namespace

void handleXboardCommand(const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty()) return;
  const std::string command = lowerCase(words[0].text);
  const char* argument = words.size() > 1 ? words[1].text.c_str() : "";
  const bool idle = !searching || pondering || analysisMode;
  if (command == "xboard") {
    printFeatures();
  } else if (command == "analyze") {
    pendingCommand = CMD_ANALYZE;
    stopState = STOP_COMMAND;
  } else if (command == ".") {
    if (analysisMode) printSearchStatus();
  } else if (command == "bk") {
    if (!searching) showBookMoves(commandNumber(argument));
  } else if (command == "computer") {
    engineFlags |= FLAG_OPPONENT_COMPUTER;
  } else if (command == "exit") {
    endAnalysis();
    stopState = STOP_COMMAND;
  } else if (command == "force") {
    if (!forceMode) {
      pendingCommand = CMD_FORCE;
      stopState = STOP_COMMAND;
    }
  } else if (command == "go") {
    if (idle) {
      pendingCommand = CMD_GO;
      stopState = STOP_COMMAND;
    }
  } else if (command == "hard") {
    engineFlags |= FLAG_PONDER;
  } else if (command == "hint") {
    hint();
  } else if (command == "easy") {
    engineFlags &= ~FLAG_PONDER;
    if (pondering) stopState = STOP_COMMAND;
  } else if (command == "level") {
    level(words);
  } else if (command == "new") {
    pendingCommand = CMD_NEW_GAME;
    stopState = STOP_COMMAND;
  } else if (command == "ping") {
    std::printf("pong %s\n", argument);
    std::fflush(stdout);
    if (pondering) stopState = STOP_COMMAND;
  } else if (command == "playother") {
    forceMode = false;
    engineSide = gamePosition.xside;
    stopState = STOP_COMMAND;
  } else if (command == "post") {
    engineFlags |= FLAG_POST;
  } else if (command == "nopost") {
    engineFlags &= ~FLAG_POST;
  } else if (command == "quit") {
    pendingCommand = CMD_QUIT;
    setAnalysisMode(false);
    stopState = STOP_COMMAND;
  } else if (command == "remove" || command == "undo") {
    pendingCommand = CMD_TAKE_BACK;
    std::snprintf(commandArg, COMMAND_ARG_SIZE, "%s", command == "remove" ? "2" : "");
    stopState = STOP_COMMAND;
  } else if (command == "result") {
    gameOver = true;
    stopState = STOP_COMMAND;
  } else if (command == "setboard") {
    const auto field = [&](std::size_t i) { return i < words.size() ? words[i].text.c_str() : ""; };
    std::snprintf(commandArg, COMMAND_ARG_SIZE, "%.80s %.1s %.4s %.2s", field(1), field(2), field(3), field(4));
    pendingCommand = CMD_SET_POSITION;
    stopState = STOP_COMMAND;
  } else if (command == "sd") {
    setDepthLimit(depthFromText(argument));
  } else if (command == "st") {
    setSecondsPerMove(commandNumber(argument));
  } else if (command == "time") {
    timeCommand(clockFromText(argument));
  } else if (command == "otim") {
    otimCommand(clockFromText(argument));
  } else if (command == "?") {
    if (searching && !pondering && !analysisMode) stopState = STOP_MOVE_NOW;
  } else if (command == "draw" || command == "name" || command == "protover") {
    // Draw offers are never accepted; names and the protocol version need no answer.
  } else if (idle) {
    userMove(words[0].text);
  }
}
