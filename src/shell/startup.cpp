// Program start-up and the wait for a protocol.
#include "shell/startup.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "book/book.h"
#include "platform/paths.h"
#include "platform/standard_input.h"
#include "search/parallel.h"
#include "shell/analysis_view.h"
#include "shell/app.h"
#include "shell/benchmark.h"
#include "shell/engine.h"
#include "shell/book_play.h"
#include "shell/game_loop.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/tablebases.h"
#include "shell/version.h"

namespace velt {

namespace {

// Handles the first command-line argument; returns true when the program is to end.
bool handleCommandLine(Engine& engine, int argc, char** argv) {
  const char* option = argv[1];
  const bool hasFile = argc > 2;
  if (strcasecmp(option, "/CB") == 0) {
    if (hasFile) {
      initApp(engine);
      // The book being replaced must not stay open.
      closeBook(engine.book);
      buildBook(engine, argv[2], engine.options.bookPath);
    } else {
      print(engine.out, "Please specify path to the PGN file\n");
    }
  } else if (strcasecmp(option, "/AI") == 0) {
    if (!hasFile) {
      print(engine.out, "Please specify path to the analysis file\n");
    } else if (initApp(engine)) {
      showAnalysisFile(engine, argv[2]);
    }
  } else if (strcasecmp(option, "/xboard") == 0) {
    return false;
  } else if (strcasecmp(option, "bench") == 0) {
    if (initApp(engine)) runBench(engine);
  } else {
    print(engine.out, "Invalid option!\n");
  }
  releaseApp(engine);
  return true;
}

}  // namespace

void setEngineName(Engine& engine, const char* programPath) {
  std::strcpy(engine.game.engineName, ENGINE_NAME);
  const std::string_view baseName = fileNamePart(programPath);
  if (baseName.size() > 4 && baseName[4] >= '1' && baseName[4] <= '9') {
    const char suffix[3] = {'.', baseName[4], '\0'};
    std::strcat(engine.game.engineName, suffix);
  }
}

int runEngine(int argc, char** argv) {
  // On the heap: the record holds the game position and the search's tables.
  useBinaryStandardStreams();
  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  setEngineName(engine, argc > 0 ? argv[0] : "");
  engine.engineFlags = DEFAULT_ENGINE_FLAGS;
  setAnalysisMode(engine, false);
  readConfig(engine);

  print(engine.out, "%s\n", engine.game.engineName);
  print(engine.out, "Chess engine for UCI and xboard; enter \"uci\" or \"xboard\" to begin, \"quit\" to leave.\n\n");

  if (argc > 1 && handleCommandLine(engine, argc, argv)) return 0;
  loadTablebases(engine);
  loadSyzygyTables(engine);

  setSearchThreads(engine, engine.options.maxThreads);
  initInput(engine);
  // Only a protocol word or a console word that sets up the tables gets past here.
  while (!appReady(engine)) {
    readCommand(engine);
    if (engine.game.pendingCommand == CMD_QUIT) return 0;
  }
  runGameLoop(engine);
  releaseApp(engine);
  debugLog(engine, "close\n");
  return 0;
}

}  // namespace velt
