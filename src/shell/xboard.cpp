// xboard: feature lines, time controls, game flow and user moves.
#include "search/worker.h"
#include "shell/xboard.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "board/position.h"
#include "egtb/syzygy.h"
#include "search/movepick.h"
#include "search/search_state.h"
#include "shell/clock_settings.h"
#include "shell/command_words.h"
#include "shell/engine.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/analysis_status.h"
#include "shell/book_play.h"
#include "shell/tablebases.h"
#include "shell/uci.h"

namespace velt {

namespace {

void printFeatures(Engine& engine) {
  print(engine.out, "feature ping=1 setboard=1 san=0 time=1 draw=0\n");
  print(engine.out, "feature sigint=0 sigterm=0 reuse=1 analyze=1\n");
  print(engine.out, "feature myname=\"%s\" name=1\n", engine.game.engineName);
  print(engine.out, "feature playother=1 colors=0\n");
  print(engine.out, "feature variants=\"normal,fischerandom\"\n");
  print(engine.out, "feature memory=1 smp=1\n");
  print(engine.out, "feature egt=\"syzygy\"\n");
  print(engine.out, "feature done=1\n");
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

// Castling as xboard writes it in Chess960 games, given in lower case: "o-o",
// "o-o-o", or with zeros.
bool isCastlingText(const std::string& word) {
  return word == "o-o" || word == "o-o-o" || word == "0-0" || word == "0-0-0";
}

// Whether the user's move, in lower case, is the reply the ponder search expects, in
// any form a front end writes it: coordinates, castling text, the king taking its rook.
bool isPonderHit(const Engine& engine, const std::string& word) {
  const Move expected = engine.game.expectedMove;
  if (!engine.search.pondering || expected == MOVE_NONE) return false;
  if (isCastlingText(word)) return (expected & (word.size() > 3 ? FLAG_CASTLE_LONG : FLAG_CASTLE_SHORT)) != 0;
  // The castling set-up is written only between searches.
  return word == moveToUci(expected) || word == moveToUci(expected, &engine.gamePosition.castling);
}

void userMove(Engine& engine, const std::string& word) {
  const std::string text = lowerCase(word);
  int from = 0;
  int to = 0;
  // Castling text names no squares: the move is read from the text when it is
  // applied, and NO_SQUARE only marks it as waiting.
  if (isCastlingText(text)) {
    from = to = NO_SQUARE;
  } else if (!readMoveSquares(text, from, to)) {
    return;
  }
  // The expected reply: the ponder search goes on as the real one.
  if (isPonderHit(engine, text)) return;
  engine.game.userMoveFrom = from;
  engine.game.userMoveTo = to;
  engine.game.userMovePromotion = word.size() > 4 ? word[4] : '\0';
  std::snprintf(engine.game.userMoveText, USER_MOVE_TEXT_SIZE, "%s", word.c_str());
}

void level(Engine& engine, const std::vector<CommandWord>& words) {
  if (words.size() < 4) {
    print(engine.out, "ERROR (wrong number of parameters): level <nmoves> <min> <inc>\n");
    return;
  }
  setLevel(engine, commandNumber(words[1].text.c_str()), words[2].text.c_str(), words[3].text.c_str());
}

void timeCommand(Engine& engine, int centiseconds) {
  takeBaseFromClock(engine, centiseconds);
  if (engine.game.engineSide == NO_PIECE) {
    engine.timeControl.clockCs[engine.gamePosition.xside] = centiseconds;
    return;
  }
  estimateXboardLag(engine, engine.timeControl.clockCs[engine.game.engineSide], centiseconds);
  engine.timeControl.clockCs[engine.game.engineSide] = centiseconds;
}

void otimCommand(Engine& engine, int centiseconds) {
  engine.timeControl
      .clockCs[engine.game.engineSide == NO_PIECE ? engine.gamePosition.side : engine.game.engineSide ^ 1] =
      centiseconds;
}

// The move of the last search's line for the side to move: its first move when the
// game is still at the search's root, its second when the game has gone on by the
// first; none otherwise. A user move the game loop has yet to make counts as made.
Move lastSearchHint(const Engine& engine) {
  const Position& pos = engine.gamePosition;
  const Move best = engine.search.bestMove;
  if (best == MOVE_NONE) return MOVE_NONE;
  bool oneMoveOn = false;
  if (engine.game.userMoveFrom >= 0) {
    oneMoveOn = pos.hashKey == engine.search.resultKey && moveFrom(best) == engine.game.userMoveFrom &&
                moveTo(best) == engine.game.userMoveTo;
  } else if (pos.hashKey == engine.search.resultKey) {
    return best;
  } else {
    oneMoveOn = pos.gamePly > 0 && pos.undo[pos.gamePly - 1].hashKey == engine.search.resultKey &&
                sameMove(pos.undo[pos.gamePly - 1].move, best);
  }
  return oneMoveOn ? engine.search.ponderMove : MOVE_NONE;
}

// The reply a ponder search runs on; otherwise the first move of the principal
// variation of the running search (as published at its last poll) or of the last one.
void hint(Engine& engine, bool searchRuns) {
  Move move = MOVE_NONE;
  if (engine.search.pondering) {
    move = engine.game.expectedMove;
  } else if (searchRuns) {
    move = engine.search.polled.pvMove.load(std::memory_order_relaxed);
  } else {
    move = lastSearchHint(engine);
  }
  if (move == MOVE_NONE) return;
  print(engine.out, "Hint: %s\n", moveToUci(move, kingTakesRook(engine)).c_str());
}

// The engine waits for the opponent or analyses: a running search is then no search
// for its own move.
bool isIdle(const Engine& engine) { return !engine.thinking || engine.search.pondering || engine.search.analysisMode; }

void printPong(Engine& engine, const char* number) { print(engine.out, "pong %s\n", number); }

// A ping or "." that ended an analysis (to be answered after the lines held before
// it) lets it go on.
void resumeAnalysis(Engine& engine) {
  if (engine.search.analysisMode) engine.game.pendingCommand = CMD_ANALYZE;
}

}  // namespace

SearchEffect xboardSearchEffect(const Engine& engine, const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty()) return {};
  const std::string command = lowerCase(words[0].text);
  for (const char* word : {"analyze", "exit", "new", "playother", "quit", "remove", "undo", "result", "setboard"}) {
    if (command == word) return {STOP_COMMAND};
  }
  // Words that end a ponder search, and only that.
  const bool endsPondering = command == "easy" || command == "ping" || (command == "level" && words.size() >= 4);
  if (endsPondering && engine.search.pondering) return {STOP_COMMAND};
  // An analysis answers these at once, unless lines wait for the search's end: an
  // analysis never ends by itself, so it starts afresh after them and the answer.
  if ((command == "ping" || command == ".") && engine.search.analysisMode) return {STOP_COMMAND};
  if (endsPondering) return {};
  if (command == "force") return {engine.game.forceMode ? STOP_NONE : STOP_COMMAND};
  if (command == "go") return {isIdle(engine) ? STOP_COMMAND : STOP_NONE};
  if (command == "?") {
    return {engine.thinking && !engine.search.pondering && !engine.search.analysisMode ? STOP_MOVE_NOW : STOP_NONE,
            true};
  }
  for (const char* word : {"xboard", ".", "bk", "computer", "hard", "hint", "post", "nopost", "sd", "st", "time",
                           "otim", "draw", "name", "protover"}) {
    if (command == word) return {};
  }
  // A user move, taken when the engine is idle.
  int from = 0;
  int to = 0;
  if (!isIdle(engine) || (!isCastlingText(command) && !readMoveSquares(command, from, to))) return {};
  if (isPonderHit(engine, command)) return {STOP_PONDER_HIT, true};
  return {STOP_COMMAND};
}

bool answerXboardAtOnce(Engine& engine, const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  const std::string command = words.empty() ? "" : lowerCase(words[0].text);
  if (command == "hint") {
    hint(engine, true);
  } else if (command == "." && engine.search.analysisMode) {
    printPolledStatus(engine);
  } else if (command == "ping" && engine.search.analysisMode && !engine.search.pondering) {
    printPong(engine, words.size() > 1 ? words[1].text.c_str() : "");
  } else {
    return false;
  }
  return true;
}

void notePonderClock(Engine& engine, const char* line) {
  if (!engine.search.pondering) return;
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.size() > 1 && lowerCase(words[0].text) == "time") {
    engine.search.ponderClockCs.store(clockFromText(words[1].text.c_str()), std::memory_order_relaxed);
  }
}

void sendPongsAfterMove(Engine& engine) {
  if (engine.game.pongsAfterMove.empty()) return;
  write(engine.out, engine.game.pongsAfterMove);
  engine.game.pongsAfterMove.clear();
}

void handleXboardCommand(Engine& engine, const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty()) return;
  const std::string command = lowerCase(words[0].text);
  const char* argument = words.size() > 1 ? words[1].text.c_str() : "";
  const bool idle = isIdle(engine);
  if (command == "xboard") {
    printFeatures(engine);
  } else if (command == "analyze") {
    engine.game.pendingCommand = CMD_ANALYZE;
  } else if (command == ".") {
    if (engine.search.analysisMode) printSearchStatus(engine);
    resumeAnalysis(engine);
  } else if (command == "bk") {
    if (!engine.thinking) showBookMoves(engine, commandNumber(argument));
  } else if (command == "computer") {
    engine.engineFlags |= FLAG_OPPONENT_COMPUTER;
  } else if (command == "exit") {
    endAnalysis(engine);
  } else if (command == "force") {
    if (!engine.game.forceMode) {
      engine.game.pendingCommand = CMD_FORCE;
    }
  } else if (command == "go") {
    if (idle) {
      engine.game.pendingCommand = CMD_GO;
    }
  } else if (command == "hard") {
    engine.engineFlags |= FLAG_PONDER;
  } else if (command == "hint") {
    hint(engine, false);
  } else if (command == "easy") {
    engine.engineFlags &= ~FLAG_PONDER;
  } else if (command == "level") {
    level(engine, words);
  } else if (command == "new") {
    // Every game starts as standard chess; its "variant" comes after "new".
    engine.options.chess960 = false;
    engine.game.pendingCommand = CMD_NEW_GAME;
  } else if (command == "variant") {
    const std::string name = lowerCase(argument);
    if (name == "fischerandom" || name == "normal") {
      engine.options.chess960 = name == "fischerandom";
    } else {
      print(engine.out, "Error (unsupported variant): %s\n", argument);
    }
  } else if (command == "ping") {
    // A front end takes the pong for "everything before the ping is done", which on
    // the engine's own turn includes its move.
    if (idle) {
      printPong(engine, argument);
      resumeAnalysis(engine);
    } else {
      engine.game.pongsAfterMove += "pong ";
      engine.game.pongsAfterMove += argument;
      engine.game.pongsAfterMove += '\n';
    }
  } else if (command == "playother") {
    engine.game.forceMode = false;
    engine.game.engineSide = engine.gamePosition.xside;
  } else if (command == "post") {
    engine.engineFlags |= FLAG_POST;
  } else if (command == "nopost") {
    engine.engineFlags &= ~FLAG_POST;
  } else if (command == "quit") {
    engine.game.pendingCommand = CMD_QUIT;
    setAnalysisMode(engine, false);
  } else if (command == "remove" || command == "undo") {
    engine.game.pendingCommand = CMD_TAKE_BACK;
    std::snprintf(engine.game.commandArg, COMMAND_ARG_SIZE, "%s", command == "remove" ? "2" : "");
  } else if (command == "result") {
    engine.game.gameOver = true;
  } else if (command == "setboard") {
    const auto field = [&](std::size_t i) { return i < words.size() ? words[i].text.c_str() : ""; };
    std::snprintf(engine.game.commandArg, COMMAND_ARG_SIZE, "%.80s %.1s %.4s %.2s", field(1), field(2), field(3), field(4));
    engine.game.pendingCommand = CMD_SET_POSITION;
  } else if (command == "sd") {
    // Front ends send "sd" after "level" or "st": the depth limit comes on top of the
    // time control, which still holds.
    engine.timeControl.maxSearchDepth = depthFromText(argument);
  } else if (command == "st") {
    setSecondsPerMove(engine, commandNumber(argument));
  } else if (command == "time") {
    timeCommand(engine, clockFromText(argument));
  } else if (command == "otim") {
    otimCommand(engine, clockFromText(argument));
  } else if (command == "egtpath") {
    // "egtpath syzygy <path>": the path may hold blanks.
    if (words.size() > 2 && lowerCase(words[1].text) == "syzygy") setSyzygyPath(engine, restOfLine(line, words[1].end));
  } else if (command == "memory" || command == "cores") {
    // Both rebuild what a running search holds: the reader keeps them for its end.
    if (!isDecimal(argument)) {
      print(engine.out, "Error (bad number): %s\n", line);
    } else if (command == "memory") {
      setHashSize(engine, commandNumber(argument));
    } else {
      setThreadCount(engine, argument);
    }
  } else if (command == "?" || command == "draw" || command == "name" || command == "protover") {
    // "Move now" is its stop alone; draw offers are never accepted; names and the
    // protocol version need no answer.
  } else if (idle) {
    userMove(engine, words[0].text);
  }
}

}  // namespace velt
