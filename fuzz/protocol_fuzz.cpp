// libFuzzer target of the protocol lines: each input line goes to the dispatcher, as
// the game loop hands it over between searches, and the command it leaves (a new
// game, a position with its moves, a take-back, a user move) is carried out. The
// engine never thinks here, so no search runs.
//
// Building the engine's tables takes a good part of a second under the sanitizers,
// so one engine serves every run: each run starts it again from the default options
// and a new game, and the protocol words ("uci", "xboard") only choose the protocol
// instead of building the tables anew. Lines that would take seconds (the benchmark,
// deep perft, a new material table), allocate large tables, start threads or reach
// files outside the run are left out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shell/clock_settings.h"
#include "shell/command_words.h"
#include "shell/dispatch.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/uci.h"
#include "shell/xboard.h"

using namespace velt;

namespace {

constexpr int MAX_LINES = 64;
constexpr long MAX_PERFT_DEPTH = 2;
constexpr const char* LEFT_OUT_OPTIONS[] = {
    // Allocate, start threads, or open or remove a file.
    "hash", "maxthreads", "nalimovpath", "nalimovcache", "bookpath", "saveanalysisfile", "deleteanalysisfile",
    // Rebuild the material table.
    "materialimportance", "minor_vs_pawns_score", "rook_vs_pawns_score", "rook_vs_minor_score",
    "twominors_vs_rook_score", "threeminors_vs_queen_score", "tworooks_vs_queen_score"};

bool leftOut(const std::vector<CommandWord>& words) {
  const std::string command = lowerCase(words[0].text);
  if (command == "si") return true;
  if (command == "perft") return words.size() > 1 && std::strtol(words[1].text.c_str(), nullptr, 10) > MAX_PERFT_DEPTH;
  if (command != "setoption") return false;
  // The option's name as the engine reads it: the words before "value", joined.
  std::string name;
  for (std::size_t i = 2; i < words.size() && lowerCase(words[i].text) != "value"; ++i)
    name += lowerCase(words[i].text);
  for (const char* option : LEFT_OUT_OPTIONS) {
    if (name == option) return true;
  }
  return false;
}

// The engine as a new one is, short of building its tables again.
void restart(Engine& engine) {
  setDefaultOptions(engine);
  setFuzzOptions(engine.options);
  engine.queuedOptions.clear();
  engine.game.pongsAfterMove.clear();
  setAnalysisMode(engine, false);
  engine.search.pondering = false;
  setDefaultTimeControl(engine);
  startGame(engine, "", false);
  engine.game.forceMode = false;
}

// A protocol word chooses the protocol and is answered by its handler.
void chooseProtocol(Engine& engine, const std::string& line, std::uint32_t protocolFlag) {
  engine.engineFlags = (engine.engineFlags & ~(FLAG_XBOARD | FLAG_UCI)) | protocolFlag;
  if (protocolFlag == FLAG_XBOARD) {
    handleXboardCommand(engine, line.c_str());
  } else {
    handleUciCommand(engine, line.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> record = makeFuzzEngine();
  Engine& engine = *record;
  restart(engine);
  std::istringstream input(inputText(data, size));
  std::string line;
  for (int lines = 0; lines < MAX_LINES && std::getline(input, line); ++lines) {
    const std::vector<CommandWord> words = splitCommandWords(line.c_str());
    if (words.empty() || leftOut(words)) continue;
    const std::string command = lowerCase(words[0].text);
    if (command == "uci" || command == "xboard") {
      chooseProtocol(engine, line, command == "uci" ? FLAG_UCI : FLAG_XBOARD);
      continue;
    }
    dispatchCommand(engine, line.c_str());
    if (engine.game.pendingCommand == CMD_QUIT) break;
    if (engine.game.userMoveFrom >= 0) applyUserMove(engine);
    carryOutCommand(engine, engine.game.pendingCommand);
  }
  takeCaptured(engine.out);
  return 0;
}
