// Routing of input lines: protocol words, console words, then the protocol handler.
#include "search/worker.h"
#include "shell/dispatch.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "board/chess960.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "board/position.h"
#include "egtb/tb_probe.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "search/search_state.h"
#include "shell/app.h"
#include "shell/benchmark.h"
#include "shell/console.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/memory_report.h"
#include "shell/options.h"
#include "shell/tablebases.h"
#include "shell/think.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace velt {

namespace {

// The console words need the tables; false when they cannot be set up.
bool ensureApp(Engine& engine) { return appReady(engine) || initApp(engine); }

// Words that read or replace the game position or the tables wait for the end of a
// running search, which holds both: the search's position is mid-tree, and changing
// it underneath the search would wreck it or its held result. True (after saying
// so) while one runs.
bool refusedWhileSearching(Engine& engine, const char* word) {
  if (!searchUnderway(engine)) return false;
  print(engine.out, "%s: not available while a search runs\n", word);
  return true;
}

void boardCommand(Engine& engine, const char*) {
  if (refusedWhileSearching(engine, "board") || !ensureApp(engine)) return;
  printBoard(engine, engine.gamePosition);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The FEN of Chess960 start position `text`, a number from 0 to 959; false for
// anything else.
bool chess960StartFen(const char* text, char* fen) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  while (isBlank(*end)) ++end;
  if (end == text || *end != '\0' || number < 0 || number >= CHESS960_POSITIONS) return false;
  auto pos = std::make_unique<Position>();
  setUpPosition(*pos, chess960Placement(static_cast<int>(number)));
  positionToFen(*pos, fen, FenCounters::Zero);
  return true;
}

// "fen" prints the current position; "fen <text>" starts a new game from that
// position, or says why not and leaves the position as it was; "fen 960 <n>" starts
// one from Chess960 start position n (518 is the standard start).
void fenCommand(Engine& engine, const char* arguments) {
  if (refusedWhileSearching(engine, "fen") || !ensureApp(engine)) return;
  if (*arguments == '\0') {
    char fen[FEN_TEXT_SIZE];
    positionToFen(engine.gamePosition, fen);
    print(engine.out, "%s\n", fen);
    return;
  }
  char startFen[FEN_TEXT_SIZE];
  const char* text = arguments;
  if (std::strncmp(arguments, "960", 3) == 0 && (arguments[3] == '\0' || isBlank(arguments[3]))) {
    const char* number = arguments + 3;
    while (isBlank(*number)) ++number;
    if (!chess960StartFen(number, startFen)) {
      print(engine.out, "Illegal start position number (0 to %d): %s\n", CHESS960_POSITIONS - 1, number);
      return;
    }
    text = startFen;
  }
  if (parseFen(engine.gamePosition, text)) {
    newGame(engine, false);
    parseFen(engine.gamePosition, text);
    prepareRoot(engine.gamePosition);
  } else {
    print(engine.out, "Illegal position: %s\n", text);
  }
}

// "chk e" prints the full static evaluation of the current position, from the side
// to move's point of view; not while a search works on the position.
void checkCommand(Engine& engine, const char* arguments) {
  if (!ensureApp(engine)) return;
  if (std::tolower(static_cast<unsigned char>(*arguments)) != 'e' || engine.thinking) return;
  print(engine.out, "Eval: %d\n", evaluate(engine.gamePosition, NO_WINDOW, MATE_SCORE));
}

// Perft works on a copy of the game position, taken between searches.
void perftWord(Engine& engine, const char* arguments) {
  if (refusedWhileSearching(engine, "perft")) return;
  if (ensureApp(engine)) perftCommand(engine, arguments);
}

void egtbCommand(Engine& engine, const char*) {
  if (refusedWhileSearching(engine, "egtb") || !ensureApp(engine)) return;
  loadTablebases(engine);
  int score;
  const Tablebases& tablebases = engine.tablebases;
  if (tablebases.largest <= 0) {
    print(engine.out, "EGTB not found\n");
  } else if (probeTablebase(tablebases, engine.gamePosition, score)) {
    print(engine.out, "Max %d , Score %d\n", tablebases.largest, score);
  } else {
    print(engine.out, "Position not in EGTB\n");
  }
  if (engine.syzygy.files > 0) print(engine.out, "%s\n", syzygyVerdictLine(engine.gamePosition).c_str());
}

// The benchmark reuses the game position and the table.
void benchmarkCommand(Engine& engine, const char*) {
  if (refusedWhileSearching(engine, "si") || !ensureApp(engine)) return;
  runBenchmark(engine);
}

void benchCommand(Engine& engine, const char*) {
  if (refusedWhileSearching(engine, "bench") || !ensureApp(engine)) return;
  runBench(engine);
}

// Words that work before and after a protocol is chosen; each handler gets the text
// after the word, without leading blanks.
struct ConsoleWord {
  const char* word;
  void (*handler)(Engine& engine, const char* arguments);
};
const ConsoleWord consoleWords[] = {
    {"bench", benchCommand},
    {"board", boardCommand},
    {"chk", checkCommand},
    {"fen", fenCommand},
    {"egtb", egtbCommand},
    {"perft", perftWord},
    {"si", benchmarkCommand},
};

void announceProtocol(Engine& engine, std::uint32_t protocolFlag) {
  engine.engineFlags = (engine.engineFlags & ~(FLAG_XBOARD | FLAG_UCI)) | protocolFlag;
  if (protocolFlag == FLAG_XBOARD) {
    print(engine.out, "feature done=0\n");
  }
  releaseApp(engine);
  if (!initApp(engine)) std::exit(1);
  printMemoryUsage(engine);
}

}  // namespace

SearchEffect searchEffect(const Engine& engine, const char* line) {
  if (engine.engineFlags & FLAG_XBOARD) return xboardSearchEffect(engine, line);
  if (engine.engineFlags & FLAG_UCI) return uciSearchEffect(line);
  return {};
}

bool answerAtOnce(Engine& engine, const char* line, bool behindHeldLines) {
  if (engine.engineFlags & FLAG_XBOARD) {
    notePonderClock(engine, line);
    return !behindHeldLines && answerXboardAtOnce(engine, line);
  }
  if (engine.engineFlags & FLAG_UCI) return answerUciAtOnce(engine, line);
  return false;
}

void dispatchCommand(Engine& engine, const char* line) {
  engine.game.pendingCommand = CMD_NONE;
  while (isBlank(*line)) ++line;
  const char* wordEnd = line;
  while (*wordEnd != '\0' && !isBlank(*wordEnd)) ++wordEnd;
  if (wordEnd == line) return;
  std::string word(line, wordEnd);
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const char* arguments = wordEnd;
  while (isBlank(*arguments)) ++arguments;

  // A new protocol rebuilds the tables, which a running search holds: not now.
  if (word == "xboard" || word == "uci") {
    if (searchUnderway(engine)) return;
    announceProtocol(engine, word == "xboard" ? FLAG_XBOARD : FLAG_UCI);
  }
  for (const ConsoleWord& entry : consoleWords) {
    if (word == entry.word) {
      entry.handler(engine, arguments);
      return;
    }
  }
  if (!appReady(engine)) {
    if (word == "quit") {
      engine.game.pendingCommand = CMD_QUIT;
    } else {
      print(engine.out, "Enter the protocol first (xboard or uci)\n");
    }
    return;
  }
  // Taken before the handler changes the state it depends on.
  const SearchEffect effect = searchEffect(engine, line);
  if (engine.engineFlags & FLAG_XBOARD) {
    handleXboardCommand(engine, line);
  } else if (engine.engineFlags & FLAG_UCI) {
    handleUciCommand(engine, line);
  }
  if (effect.stop != STOP_NONE) engine.search.stopState = effect.stop;
}

}  // namespace velt
