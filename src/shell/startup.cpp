// Program start-up and the wait for a protocol.
#include "shell/startup.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "book/book_builder.h"
#include "search/parallel.h"
#include "shell/analysis_view.h"
#include "shell/app.h"
#include "shell/game_loop.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/tablebases.h"

namespace velt {

namespace {

// Handles the first command-line argument; returns true when the program is to end.
bool handleCommandLine(int argc, char** argv) {
  const char* option = argv[1];
  const bool hasFile = argc > 2;
  if (strcasecmp(option, "/CB") == 0) {
    if (hasFile) {
      initApp();
      // The book being replaced must not stay open.
      closeBook();
      createBook(argv[2], options.bookPath);
    } else {
      std::puts("Please specify path to the PGN file");
    }
  } else if (strcasecmp(option, "/AI") == 0) {
    if (!hasFile) {
      std::puts("Please specify path to the analysis file");
    } else if (initApp()) {
      showAnalysisFile(argv[2]);
    }
  } else if (strcasecmp(option, "/xboard") == 0) {
    return false;
  } else {
    std::puts("Invalid option!");
  }
  std::fflush(stdout);
  releaseApp();
  return true;
}

}  // namespace

void setEngineName(const char* programPath) {
  std::strcpy(game.engineName, "Velt 4.6");
  const char* slash = std::strrchr(programPath, '/');
  const char* baseName = slash != nullptr ? slash + 1 : programPath;
  if (std::strlen(baseName) > 4 && baseName[4] >= '1' && baseName[4] <= '9') {
    const char suffix[3] = {'.', baseName[4], '\0'};
    std::strcat(game.engineName, suffix);
  }
}

int runEngine(int argc, char** argv) {
  setEngineName(argc > 0 ? argv[0] : "");
  engineFlags = DEFAULT_ENGINE_FLAGS;
  setAnalysisMode(false);
  readConfig();

  std::printf("%s\n", game.engineName);
  std::printf("Chess engine for UCI and xboard; enter \"uci\" or \"xboard\" to begin, \"quit\" to leave.\n\n");
  std::fflush(stdout);

  if (argc > 1 && handleCommandLine(argc, argv)) return 0;
  loadTablebases();

  setSearchThreads(options.maxThreads);
  initInput();
  // Only a protocol word or a console word that sets up the tables gets past here.
  while (!appReady()) {
    readCommand(true);
    if (game.pendingCommand == CMD_QUIT) return 0;
  }
  runGameLoop();
  releaseApp();
  debugLog("close\n");
  return 0;
}

}  // namespace velt
