// UCI: identification, options, "position", "go" and the search controls.
#include "search/worker.h"
#include "shell/uci.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "search/analysis_file.h"
#include "book/book.h"
#include "eval/material.h"
#include "search/parallel.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/book_play.h"
#include "shell/clock_settings.h"
#include "shell/command_words.h"
#include "shell/dispatch.h"
#include "shell/engine.h"
#include "shell/options.h"
#include "shell/tablebases.h"

namespace velt {

namespace {

// The longest mate "go mate" asks for, far beyond any search's reach.
constexpr std::uint64_t MAX_MATE_MOVES = 500;

// What setoption hands an option: the word after "value" and the whole rest.
struct OptionValue {
  std::string word;
  std::string rest;
};

const char* boolText(const Engine& engine, std::uint32_t flag) {
  return (engine.engineFlags & flag) ? "true" : "false";
}

void setFlagFromValue(Engine& engine, std::uint32_t flag, const OptionValue& value) {
  const char first = value.word.empty() ? '\0' : value.word[0];
  if (first == 't' || first == 'T') {
    engine.engineFlags |= flag;
  } else {
    engine.engineFlags &= ~flag;
  }
}

void setHash(Engine& engine, const OptionValue& value) { setHashSize(engine, parseDecimal(value.word.c_str())); }

void printSpinAs(Engine& engine, const char* name, const SpinOption& option, int shownDefault) {
  print(engine.out, "option name %s type spin default %d min %d max %d\n", name, shownDefault, option.min, option.max);
}

void printSpin(Engine& engine, const SpinOption& option, int shownDefault) {
  printSpinAs(engine, option.name, option, shownDefault);
}

// MaxThreads has a second name, Threads, the one front ends send for the thread count.
void printThreads(Engine& engine, const char* name) {
  printSpinAs(engine, name, spinOption(&EngineOptions::maxThreads), engine.options.maxThreads);
}

void setThreads(Engine& engine, const OptionValue& value) { setThreadCount(engine, value.word.c_str()); }

void setMaterialOption(Engine& engine, int EngineOptions::*field, const OptionValue& value) {
  const int number = spinValue(spinOption(field), value.word.c_str());
  int& target = engine.options.*field;
  if (number == target) return;
  target = number;
  clearSearchTables(engine);
  releaseMaterialTable(engine.evalData.material);
  if (!buildMaterialTable(engine.evalData.material, materialSettings(engine)))
    print(engine.out, "ERROR (not enough memory): setoption\n");
}

struct UciOption {
  const char* key;  // lower case, words joined without blanks
  void (*print)(Engine& engine);
  void (*apply)(Engine& engine, const OptionValue& value);
  bool touchesTables;  // never applied under a running search
  bool takesNumber = false;  // a spin: a value that is no number changes nothing
};

// A numeric option whose range comes from the shared table; the listed default is
// the current value.
#define SPIN_OPTION(key, field, touchesTables)                                                               \
  {                                                                                                          \
    key, [](Engine& engine) { printSpin(engine, spinOption(&EngineOptions::field), engine.options.field); }, \
        [](Engine& engine, const OptionValue& value) {                                                       \
          engine.options.field = spinValue(spinOption(&EngineOptions::field), value.word.c_str());           \
        },                                                                                                   \
        touchesTables, true                                                                                  \
  }

#define MATERIAL_OPTION(key, field)                                                \
  {key, [](Engine& engine) { printSpin(engine, spinOption(&EngineOptions::field), engine.options.field); },      \
   [](Engine& engine, const OptionValue& value) { setMaterialOption(engine, &EngineOptions::field, value); }, true, true}

const UciOption uciOptions[] = {
    {"hash",
     [](Engine& engine) {
       print(engine.out, "option name Hash type spin default %d min %d max %d\n", hashMegabytes(engine), HASH_MIN_MB,
             HASH_MAX_MB);
     },
     setHash, true, true},
    {"nalimovpath",
     [](Engine& engine) {
       print(engine.out, "option name NalimovPath type string default %s\n", engine.options.egtbPath);
     },
     [](Engine& engine, const OptionValue& value) {
       if (strcasecmp(value.word.c_str(), engine.options.egtbPath) == 0) return;
       copyPath(engine.options.egtbPath, PATH_SIZE, value.word.c_str());
       reloadTablebases(engine);
     },
     true},
    {"nalimovcache",
     [](Engine& engine) {
       print(engine.out, "option name NalimovCache type spin default %d min 1 max 128\n",
                   engine.options.egtbPath[0] == '\0' ? 1 : engine.options.egtbCacheMB);
     },
     [](Engine& engine, const OptionValue& value) {
       const int megabytes = parseDecimal(value.word.c_str());
       if (megabytes == engine.options.egtbCacheMB) return;
       engine.options.egtbCacheMB = std::clamp(megabytes, 32, 128);
       if (engine.options.egtbPath[0] != '\0') reloadTablebases(engine);
     },
     true, true},
    {"syzygypath",
     [](Engine& engine) {
       print(engine.out, "option name SyzygyPath type string default %s\n",
             engine.options.syzygyPath[0] == '\0' ? "<empty>" : engine.options.syzygyPath);
     },
     [](Engine& engine, const OptionValue& value) { setSyzygyPath(engine, value.rest); }, true},
    SPIN_OPTION("syzygyprobedepth", syzygyProbeDepth, false),
    SPIN_OPTION("syzygyprobelimit", syzygyProbeLimit, false),
    {"syzygy50moverule",
     [](Engine& engine) {
       print(engine.out, "option name Syzygy50MoveRule type check default %s\n",
             engine.options.syzygy50MoveRule ? "true" : "false");
     },
     [](Engine& engine, const OptionValue& value) {
       engine.options.syzygy50MoveRule = !value.word.empty() && (value.word[0] == 't' || value.word[0] == 'T');
     },
     false},
    {"maxthreads", [](Engine& engine) { printThreads(engine, "MaxThreads"); }, setThreads, true, true},
    {"threads", [](Engine& engine) { printThreads(engine, "Threads"); }, setThreads, true, true},
    // A new game always starts with one variation, whatever was set before.
    {"multipv", [](Engine& engine) { printSpin(engine, spinOption(&EngineOptions::multiPV), 1); },
     [](Engine& engine, const OptionValue& value) {
       engine.options.multiPV = spinValue(spinOption(&EngineOptions::multiPV), value.word.c_str());
     },
     false, true},
    {"uci_opponent", [](Engine& engine) { print(engine.out, "option name UCI_Opponent type string\n"); },
     [](Engine& engine, const OptionValue& value) {
       // "<title> <rating> <computer or human> <name>"
       const std::vector<CommandWord> words = splitCommandWords(value.rest.c_str());
       const bool computer = words.size() > 2 && (words[2].text[0] == 'c' || words[2].text[0] == 'C');
       engine.engineFlags =
           computer ? engine.engineFlags | FLAG_OPPONENT_COMPUTER : engine.engineFlags & ~FLAG_OPPONENT_COMPUTER;
     },
     false},
    {"ponder",
     [](Engine& engine) {
       print(engine.out, "option name Ponder type check default %s\n", boolText(engine, FLAG_PONDER));
     },
     [](Engine& engine, const OptionValue& value) { setFlagFromValue(engine, FLAG_PONDER, value); }, false},
    {"canresign",
     [](Engine& engine) {
       print(engine.out, "option name CanResign type check default %s\n", boolText(engine, FLAG_CAN_RESIGN));
     },
     [](Engine& engine, const OptionValue& value) { setFlagFromValue(engine, FLAG_CAN_RESIGN, value); }, false},
    {"ownbook", [](Engine& engine) { print(engine.out, "option name OwnBook type check default true\n"); },
     [](Engine& engine, const OptionValue& value) {
       const char first = value.word.empty() ? '\0' : value.word[0];
       engine.ownBook = first == 't' || first == 'T';
       engine.game.bookMovesLeft = engine.ownBook ? BOOK_TURNS : 0;
       if (engine.ownBook) {
         openConfiguredBook(engine);
       } else {
         closeBook(engine.book);
       }
     },
     false},
    {"uci_chess960",
     [](Engine& engine) {
       print(engine.out, "option name UCI_Chess960 type check default %s\n", engine.options.chess960 ? "true" : "false");
     },
     [](Engine& engine, const OptionValue& value) {
       const char first = value.word.empty() ? '\0' : value.word[0];
       engine.options.chess960 = first == 't' || first == 'T';
     },
     false},
    {"enablebooklearning",
     [](Engine& engine) {
       print(engine.out, "option name EnableBookLearning type check default %s\n",
             boolText(engine, FLAG_BOOK_LEARNING));
     },
     [](Engine& engine, const OptionValue& value) { setFlagFromValue(engine, FLAG_BOOK_LEARNING, value); }, false},
    {"bookpath",
     [](Engine& engine) {
       print(engine.out, "option name BookPath type string default %s\n", engine.options.bookPath);
     },
     [](Engine& engine, const OptionValue& value) {
       copyPath(engine.options.bookPath, PATH_SIZE, value.word.empty() ? DEFAULT_BOOK_NAME : value.word.c_str());
       // The book in use gives way to the new one at once.
       closeBook(engine.book);
       if (engine.ownBook) openConfiguredBook(engine);
     },
     false},
    {"preservehash",
     [](Engine& engine) {
       print(engine.out, "option name PreserveHash type check default %s\n", boolText(engine, FLAG_PRESERVE_HASH));
     },
     [](Engine& engine, const OptionValue& value) { setFlagFromValue(engine, FLAG_PRESERVE_HASH, value); }, false},
    {"uci_showwdl",
     [](Engine& engine) {
       print(engine.out, "option name UCI_ShowWDL type check default %s\n", boolText(engine, FLAG_SHOW_WDL));
     },
     [](Engine& engine, const OptionValue& value) { setFlagFromValue(engine, FLAG_SHOW_WDL, value); }, false},
    {"clearhash", [](Engine& engine) { print(engine.out, "option name Clear Hash type button\n"); },
     [](Engine& engine, const OptionValue&) { clearSearchTables(engine); }, true},
    {"saveanalysisfile",
     [](Engine& engine) {
       print(engine.out, "option name SaveAnalysisFile type string default %s\n", engine.options.analysisFilePath);
     },
     [](Engine& engine, const OptionValue& value) {
       copyPath(engine.options.analysisFilePath, ANALYSIS_PATH_SIZE, value.word.c_str());
     },
     false},
    SPIN_OPTION("saveanalysismindepth", analysisMinDepth, false),
    {"deleteanalysisfile", [](Engine& engine) { print(engine.out, "option name Delete Analysis File type button\n"); },
     [](Engine& engine, const OptionValue&) {
       if (deleteAnalysisFile(engine) == AnalysisFileStatus::OtherAnalysis) {
         print(engine.out, "Not an analysis file: %s (kept)\n", engine.options.analysisFilePath);
       }
     },
     false},
    SPIN_OPTION("pruninglevel", pruningLevel, false),
    SPIN_OPTION("drawcontemptscore", drawContemptScore, false),
    SPIN_OPTION("minegtbdepth", minEgtbDepth, false),
    MATERIAL_OPTION("materialimportance", materialImportance),
    MATERIAL_OPTION("minor_vs_pawns_score", minorVsPawnsScore),
    MATERIAL_OPTION("rook_vs_pawns_score", rookVsPawnsScore),
    MATERIAL_OPTION("rook_vs_minor_score", rookVsMinorScore),
    MATERIAL_OPTION("twominors_vs_rook_score", twoMinorsVsRookScore),
    MATERIAL_OPTION("threeminors_vs_queen_score", threeMinorsVsQueenScore),
    MATERIAL_OPTION("tworooks_vs_queen_score", twoRooksVsQueenScore),
};

#undef SPIN_OPTION
#undef MATERIAL_OPTION

void printIdentification(Engine& engine) {
  print(engine.out, "id name %s\nid author Orvane\n", engine.game.engineName);
  for (const UciOption& option : uciOptions) option.print(engine);
  print(engine.out, "uciok\n");
}

void setOption(Engine& engine, const char* line, const std::vector<CommandWord>& words) {
  std::string name, shownName;
  std::size_t i = 2;  // skips "setoption" and the word after it ("name")
  for (; i < words.size(); ++i) {
    const std::string word = lowerCase(words[i].text);
    if (word == "value") break;
    name += word;
    shownName += (shownName.empty() ? "" : " ") + words[i].text;
  }
  OptionValue value;
  if (i + 1 < words.size()) {
    value.word = words[i + 1].text;
    value.rest = restOfLine(line, words[i].end);
  }
  for (const UciOption& option : uciOptions) {
    if (name != option.key) continue;
    if (option.takesNumber && !isDecimal(value.word.c_str())) {
      print(engine.out, "Illegal value for %s: %s\n", shownName.c_str(), value.word.c_str());
    } else if (engine.thinking && option.touchesTables) {
      engine.queuedOptions.push_back({static_cast<int>(&option - uciOptions), value.word, value.rest});
    } else {
      option.apply(engine, value);
    }
    return;
  }
}

bool isListedMove(const std::string& word) {
  return word.size() == 4 || word.size() == 5 || word.rfind("0-0", 0) == 0 || word.rfind("O-O", 0) == 0;
}

void trimTrailingBlanks(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) text[--length] = '\0';
}

// A line that breaks the grammar is carried out as far as it goes, as front ends
// expect; an "info string" tells their log where it broke.
void positionCommand(Engine& engine, const char* line, const std::vector<CommandWord>& words) {
  std::string fen;
  std::size_t cursor = words.size() > 1 ? words[1].end : words[0].end;
  if (words.size() > 1 && (words[1].text[0] == 'f' || words[1].text[0] == 'F')) {
    const char* start = restOfLine(line, words[1].end);
    const char* stop = std::strpbrk(start, "mM");
    fen.assign(start, stop != nullptr ? stop : start + std::strlen(start));
    cursor = static_cast<std::size_t>((stop != nullptr ? stop : start + std::strlen(start)) - line);
  } else if (words.size() > 1 && lowerCase(words[1].text) != "startpos") {
    print(engine.out, "info string Neither startpos nor fen: %s (the initial position is set up)\n",
          words[1].text.c_str());
  }
  // The "moves" keyword (or what is left of it after a FEN), then the moves.
  const std::vector<CommandWord> rest = splitCommandWords(line + cursor);
  if (!rest.empty() && lowerCase(rest[0].text) != "moves") {
    print(engine.out, "info string Not \"moves\": %s (skipped)\n", rest[0].text.c_str());
  }
  engine.game.positionMoveCount = 0;
  std::size_t i = 1;
  for (; i < rest.size() && isListedMove(rest[i].text); ++i) {
    if (engine.game.positionMoveCount == MAX_GAME_PLY) break;
    std::snprintf(engine.game.positionMoves[engine.game.positionMoveCount++], MOVE_TEXT_SIZE, "%s", rest[i].text.c_str());
  }
  if (i < rest.size() && !isListedMove(rest[i].text)) {
    print(engine.out, "info string Not a move: %s (the list ends before it)\n", rest[i].text.c_str());
  }
  if (engine.game.positionMoveCount > 0) {
    std::snprintf(engine.game.commandArg, COMMAND_ARG_SIZE, "M %s", fen.c_str());
  } else {
    std::snprintf(engine.game.commandArg, COMMAND_ARG_SIZE, "%s", fen.c_str());
  }
  trimTrailingBlanks(engine.game.commandArg);
  engine.game.pendingCommand = CMD_SET_POSITION;
}

bool isTimeParameter(const std::string& word) {
  return word == "movestogo" || (word.size() > 1 && (word.compare(1, std::string::npos, "time") == 0 ||
                                                     word.compare(1, std::string::npos, "inc") == 0));
}

void readClockParameters(Engine& engine, const std::vector<CommandWord>& words, std::size_t first) {
  const int side = engine.gamePosition.side;
  const int ownClock = engine.timeControl.clockCs[side];
  int moves = 0;
  std::string incrementText[2];
  auto argument = [&](std::size_t i) { return i + 1 < words.size() ? words[i + 1].text.c_str() : ""; };
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::string word = lowerCase(words[i].text);
    if (word == "wtime" || word == "btime") {
      const int clockSide = word[0] == 'w' ? WHITE : BLACK;
      const int milliseconds = std::clamp(commandNumber(argument(i)), 1, MAX_CLOCK_CS * 10);
      engine.timeControl.clockCs[clockSide] = std::max(milliseconds / 10, 1);
      if (clockSide == side) engine.timeControl.moverClockMs = milliseconds;
      ++i;
    } else if (word == "winc" || word == "binc") {
      incrementText[word[0] == 'w' ? WHITE : BLACK] = argument(i);
      ++i;
    } else if (word == "movestogo") {
      moves = commandNumber(argument(i));
      ++i;
    } else if (word == "ponder") {
      engine.search.pondering = true;
    }
  }
  setUciClock(engine, side, commandNumber(incrementText[side].c_str()) / 10, moves);
  estimateUciLag(engine, ownClock, engine.timeControl.clockCs[side]);
}

// Whether a word of "searchmoves" is a coordinate move (e2e4, e7e8q) rather than the
// next parameter.
bool isCoordinateMove(const std::string& word) {
  return (word.size() == 4 || word.size() == 5) && std::isdigit(static_cast<unsigned char>(word[1])) &&
         std::isdigit(static_cast<unsigned char>(word[3]));
}

// The words of "go" without "searchmoves" and its moves, which may stand before or
// after the other parameters; the moves go to searchMovesText.
std::vector<CommandWord> takeSearchMoves(Engine& engine, const std::vector<CommandWord>& words) {
  engine.search.searchMovesText[0] = '\0';
  std::vector<CommandWord> rest;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (lowerCase(words[i].text) != "searchmoves") {
      rest.push_back(words[i]);
      continue;
    }
    std::string moves;
    while (i + 1 < words.size() && isCoordinateMove(words[i + 1].text)) {
      moves += ' ';
      moves += lowerCase(words[++i].text);
    }
    std::snprintf(engine.search.searchMovesText, SEARCH_MOVES_TEXT_SIZE, "%s", moves.c_str());
  }
  return rest;
}

// A positive count of nodes or moves, up to what the limit can hold.
bool readLimitNumber(const std::string& text, std::uint64_t most, std::uint64_t& value) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stoull(text);
  return value > 0 && value <= most;
}

// Takes "nodes N" and "mate N" out of the words of "go", wherever they stand, into
// the search's limits. False, after saying why, when a number is unusable.
bool takeSearchLimits(Engine& engine, std::vector<CommandWord>& words) {
  SearchLimits limits;
  std::vector<CommandWord> rest;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string word = lowerCase(words[i].text);
    if (word != "nodes" && word != "mate") {
      rest.push_back(words[i]);
      continue;
    }
    const std::string number = i + 1 < words.size() ? words[++i].text : "";
    const bool nodes = word == "nodes";
    std::uint64_t value = 0;
    if (!readLimitNumber(number, nodes ? UINT64_MAX / 2 : MAX_MATE_MOVES, value)) {
      print(engine.out, "Illegal value for %s: %s\n", word.c_str(), number.c_str());
      return false;
    }
    if (nodes) {
      limits.nodes = value;
    } else {
      limits.mateMoves = static_cast<int>(value);
    }
  }
  engine.limits = limits;
  words.swap(rest);
  return true;
}

void goCommand(Engine& engine, const std::vector<CommandWord>& allWords) {
  std::vector<CommandWord> words = allWords;
  // A bare "go" keeps the limits of the last one, as it keeps its clock.
  if (words.size() > 1 && !takeSearchLimits(engine, words)) return;
  words = takeSearchMoves(engine, words);
  engine.game.gameOver = false;
  engine.game.engineSide = NO_PIECE;
  engine.timeControl.moverClockMs = 0;
  engine.game.pendingCommand = CMD_GO;
  const bool limited = engine.limits.nodes > 0 || engine.limits.mateMoves > 0;
  if (words.size() < 2) {
    // A node or mate limit alone: no clock, no depth limit.
    if (limited) setDepthLimit(engine, MAX_DEPTH_LIMIT);
    return;
  }
  const std::string first = lowerCase(words[1].text);
  const char* firstArgument = words.size() > 2 ? words[2].text.c_str() : "";
  std::size_t next = 1;
  if (first == "ponder") {
    engine.search.pondering = true;
    next = 2;
  } else if (first == "infinite") {
    engine.game.pendingCommand = CMD_ANALYZE;
    next = 2;
  } else if (first == "movetime") {
    setMoveTime(engine, commandNumber(firstArgument));
    return;
  } else if (first == "depth") {
    setDepthLimit(engine, depthFromText(firstArgument));
    return;
  }
  if (next < words.size() && isTimeParameter(lowerCase(words[next].text))) readClockParameters(engine, words, next);
}

}  // namespace

void endAnalysis(Engine& engine) {
  if (!engine.search.analysisMode) return;
  setAnalysisMode(engine, false);
  engine.timeControl.timePerMove = engine.game.savedTimePerMove;
  engine.timeControl.maxSearchDepth = engine.game.savedDepthLimit;
}

void applyQueuedOptions(Engine& engine) {
  for (const QueuedOption& entry : engine.queuedOptions) uciOptions[entry.index].apply(engine, {entry.word, entry.rest});
  engine.queuedOptions.clear();
}

SearchEffect uciSearchEffect(const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  const std::string command = words.empty() ? "" : lowerCase(words[0].text);
  if (command == "ponderhit") return {STOP_PONDER_HIT, true};
  if (command == "ucinewgame" || command == "position" || command == "stop" || command == "quit") return {STOP_COMMAND};
  return {};
}

bool answerUciAtOnce(Engine& engine, const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty() || lowerCase(words[0].text) != "isready") return false;
  print(engine.out, "readyok\n");
  return true;
}

void handleUciCommand(Engine& engine, const char* line) {
  const std::vector<CommandWord> words = splitCommandWords(line);
  if (words.empty()) return;
  const std::string command = lowerCase(words[0].text);
  if (command == "uci") {
    printIdentification(engine);
  } else if (command == "setoption") {
    setOption(engine, line, words);
  } else if (command == "isready") {
    answerUciAtOnce(engine, line);
  } else if (command == "debug") {
    const bool on = words.size() > 1 && lowerCase(words[1].text) == "on";
    engine.engineFlags = on ? engine.engineFlags | FLAG_DEBUG : engine.engineFlags & ~FLAG_DEBUG;
  } else if (command == "ucinewgame") {
    engine.game.pendingCommand = CMD_NEW_GAME;
  } else if (command == "position") {
    positionCommand(engine, line, words);
  } else if (command == "go" && !engine.thinking) {
    goCommand(engine, words);
  } else if (command == "stop") {
    endAnalysis(engine);
    engine.game.engineSide = NO_PIECE;
  } else if (command == "quit") {
    engine.game.pendingCommand = CMD_QUIT;
    setAnalysisMode(engine, false);
  }
}

}  // namespace velt
