// libFuzzer target of the analysis file: its header, its load into the table and the
// view of "/AI", which follows the stored moves. An input starting with an even byte
// is the file itself. Otherwise its bytes are patches (three offset bytes, then the
// value) to the file a short search saves, so that changes reach the stored entries
// and the view.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_support.h"
#include "search/analysis_file.h"
#include "search/root.h"
#include "search/tt.h"
#include "shell/analysis_view.h"
#include "shell/clock_settings.h"
#include "shell/game_commands.h"
#include "shell/options.h"

using namespace velt;

namespace {

constexpr int BASE_SEARCH_DEPTH = 7;
// Empty entries are left out of the saved file, which keeps it near 1 MB.
constexpr int BASE_MIN_DEPTH = 1;
constexpr const char* BASE_FEN = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";

void setAnalysisPath(Engine& engine, const std::string& path) {
  copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, path.c_str());
}

std::vector<std::uint8_t> savedAnalysis(Engine& engine) {
  if (!startGame(engine, BASE_FEN, true)) std::abort();
  setDepthLimit(engine, BASE_SEARCH_DEPTH);
  searchRoot(engine);
  const std::string path = fuzzDirectory() + "/base-analysis";
  setAnalysisPath(engine, path);
  engine.options.analysisMinDepth = BASE_MIN_DEPTH;
  if (saveAnalysisFile(engine) != AnalysisFileStatus::Done) std::abort();
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::remove(path.c_str());
  clearSearchTables(engine);
  takeCaptured(engine.out);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  static const std::vector<std::uint8_t> base = savedAnalysis(*engine);
  std::vector<std::uint8_t> bytes;
  if (size == 0 || data[0] % 2 == 0) {
    bytes.assign(data, data + size);
  } else {
    bytes = base;
    for (std::size_t i = 1; i + 3 < size; i += 4) {
      bytes[(std::size_t{data[i]} << 16 | std::size_t{data[i + 1]} << 8 | data[i + 2]) % bytes.size()] = data[i + 3];
    }
  }
  const InputFile file(bytes.data(), bytes.size());
  AnalysisFileHeader header;
  if (!readAnalysisFileHeader(*engine, file.path.c_str(), header)) std::abort();
  if (header.problem == nullptr && header.entryCount == engine->tt.mask + 4) {
    showAnalysisFile(*engine, file.path.c_str());
    ttClear(engine->tt);
  } else {
    setAnalysisPath(*engine, file.path);
    if (loadAnalysisFile(*engine) == AnalysisFileStatus::Done) std::abort();
  }
  takeCaptured(engine->out);
  return 0;
}
