// Routing of input lines: protocol words, console words, then the protocol handler.
#include "shell/dispatch.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/fen.h"
#include "board/movegen.h"
#include "board/position.h"
#include "egtb/tb_probe.h"
#include "eval/evaluate.h"
#include "search/search_state.h"
#include "shell/app.h"
#include "shell/benchmark.h"
#include "shell/console.h"
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
bool ensureApp() { return appReady() || initApp(); }

// Words that read or replace the game position or the tables wait for the end of a
// running search, which holds both: the search's position is mid-tree, and changing
// it underneath the search would wreck it or its held result. True (after saying
// so) while one runs.
bool refusedWhileSearching(const char* word) {
  if (!searchUnderway()) return false;
  std::printf("%s: not available while a search runs\n", word);
  std::fflush(stdout);
  return true;
}

void boardCommand(const char*) {
  if (refusedWhileSearching("board") || !ensureApp()) return;
  printBoard(gamePosition);
}

// "fen" prints the current position; "fen <text>" starts a new game from that
// position, or says why not and leaves the position as it was.
void fenCommand(const char* arguments) {
  if (refusedWhileSearching("fen") || !ensureApp()) return;
  if (*arguments == '\0') {
    char fen[FEN_TEXT_SIZE];
    positionToFen(gamePosition, fen);
    std::printf("%s\n", fen);
  } else if (parseFen(arguments)) {
    newGame(false);
    parseFen(arguments);
    prepareRoot(gamePosition);
  } else {
    std::printf("Illegal position: %s\n", arguments);
  }
  std::fflush(stdout);
}

// "chk e" prints the full static evaluation of the current position, from the side
// to move's point of view; not while a search works on the position.
void checkCommand(const char* arguments) {
  if (!ensureApp()) return;
  if (std::tolower(static_cast<unsigned char>(*arguments)) != 'e' || search.searching) return;
  std::printf("Eval: %d\n", evaluate(gamePosition, NO_WINDOW, MATE_SCORE));
  std::fflush(stdout);
}

// Perft works on a copy of the game position, taken between searches.
void perftWord(const char* arguments) {
  if (refusedWhileSearching("perft")) return;
  if (ensureApp()) perftCommand(arguments);
}

void egtbCommand(const char*) {
  if (refusedWhileSearching("egtb") || !ensureApp()) return;
  loadTablebases();
  int score;
  if (tablebaseStatus.largest <= 0) std::printf("EGTB not found\n");
  else if (probeTablebase(gamePosition, score)) std::printf("Max %d , Score %d\n", tablebaseStatus.largest, score);
  else std::printf("Position not in EGTB\n");
  std::fflush(stdout);
}

// The benchmark reuses the game position and the table.
void benchmarkCommand(const char*) {
  if (refusedWhileSearching("si") || !ensureApp()) return;
  runBenchmark();
}

// Words that work before and after a protocol is chosen; each handler gets the text
// after the word, without leading blanks.
struct ConsoleWord {
  const char* word;
  void (*handler)(const char* arguments);
};
const ConsoleWord consoleWords[] = {
    {"board", boardCommand},
    {"chk", checkCommand},
    {"fen", fenCommand},
    {"egtb", egtbCommand},
    {"perft", perftWord},
    {"si", benchmarkCommand},
};

void announceProtocol(std::uint32_t protocolFlag) {
  engineFlags = (engineFlags & ~(FLAG_XBOARD | FLAG_UCI)) | protocolFlag;
  if (protocolFlag == FLAG_XBOARD) {
    std::printf("feature done=0\n");
    std::fflush(stdout);
  }
  releaseApp();
  if (!initApp()) std::exit(1);
  printMemoryUsage();
}


bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void dispatchCommand(const char* line) {
  game.pendingCommand = CMD_NONE;
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
    if (searchUnderway()) return;
    announceProtocol(word == "xboard" ? FLAG_XBOARD : FLAG_UCI);
  }
  for (const ConsoleWord& entry : consoleWords) {
    if (word == entry.word) {
      entry.handler(arguments);
      return;
    }
  }
  if (!appReady()) {
    if (word == "quit") {
      game.pendingCommand = CMD_QUIT;
    } else {
      std::printf("Enter the protocol first (xboard or uci)\n");
      std::fflush(stdout);
    }
    return;
  }
  if (engineFlags & FLAG_XBOARD) {
    handleXboardCommand(line);
  } else if (engineFlags & FLAG_UCI) {
    handleUciCommand(line);
  }
}

}  // namespace velt
