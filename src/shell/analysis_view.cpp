// The "/AI" view of an analysis file: the file is loaded into a table of its own size
// and the root moves with exact stored scores are listed with their variations.
#include "search/worker.h"
#include "shell/analysis_view.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/position.h"
#include "eval/move_step.h"
#include "search/analysis_file.h"
#include "search/root.h"
#include "search/tt.h"
#include "shell/dispatch.h"
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int BEST_LINES = 5;
// Table entries are 8 bytes: entries >> 17 is the size in megabytes.
constexpr int ENTRIES_TO_MB_SHIFT = 17;

struct AnalysedMove {
  Move move;
  int depth;  // plies, the move included
  int score;  // from the side to move's point of view
};

// The deepest exact entry of the position that holds a move; a bound of the same
// position may stand before it in the bucket.
bool exactEntryWithMove(const TranspositionTable& tt, const Position& pos, TTHit& hit) {
  TTScan scan;
  ttScan(tt, pos.hashKey, scan);
  bool found = false;
  for (int i = 0; i < scan.count; ++i) {
    const TTHit& candidate = scan.hits[i];
    if (candidate.bound == TT_EXACT && candidate.fromTo != 0 && (!found || candidate.depth > hit.depth)) {
      hit = candidate;
      found = true;
    }
  }
  return found;
}

// The root moves whose position after them has an exact stored score, best first
// (deeper first among equal scores), at most BEST_LINES of them.
std::vector<AnalysedMove> bestAnalysedMoves(Worker& pos) {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  std::vector<AnalysedMove> taken;
  for (int i = 0; i < count; ++i) {
    if (!makeMove(pos, moves[i], -MATE_SCORE, MATE_SCORE)) continue;
    TTHit hit{};
    if (exactEntryWithMove(pos.engine->tt, pos, hit)) {
      taken.push_back({moves[i], (hit.depth >> 1 & 63) + 1, -hit.score});
    }
    unmakeMove(pos);
  }
  std::stable_sort(taken.begin(), taken.end(), [](const AnalysedMove& a, const AnalysedMove& b) {
    return a.score != b.score ? a.score > b.score : a.depth > b.depth;
  });
  if (taken.size() > BEST_LINES) taken.resize(BEST_LINES);
  return taken;
}

void printBestLines(Engine& engine) {
  Worker& pos = engine.gamePosition;
  const std::vector<AnalysedMove> best = bestAnalysedMoves(pos);
  if (best.empty()) return;
  print(engine.out, "\nDepth  Score  Variation\n");
  for (const AnalysedMove& line : best) {
    Variation variation;
    tableVariation(pos, line.move, line.depth, variation);
    std::string text;
    for (int i = 0; i < variation.length; ++i) text += (i > 0 ? " " : "") + variation.san[i];
    print(engine.out, "%5d  %5d %s\n", line.depth, line.score, text.c_str());
  }
}

void setProtocolFlag(Engine& engine, std::uint32_t flag) {
  engine.engineFlags = (engine.engineFlags & ~(FLAG_XBOARD | FLAG_UCI)) | flag;
}

}  // namespace

void showAnalysisFile(Engine& engine, const char* path) {
  AnalysisFileHeader header;
  if (!readAnalysisFileHeader(engine, path, header)) {
    print(engine.out, "Can't open analysis file %s\n", path);
    return;
  }
  if (header.problem != nullptr) {
    print(engine.out, "Not an analysis file: %s (%s)\n", path, header.problem);
    return;
  }
  // The table takes the file's size through the option that resizes it.
  if (header.entryCount != engine.tt.mask + 4) {
    setProtocolFlag(engine, FLAG_UCI);
    char line[64];
    std::snprintf(line, sizeof line, "setoption name Hash value %u", header.entryCount >> ENTRIES_TO_MB_SHIFT);
    dispatchCommand(engine, line);
  }
  print(engine.out, "Hash: %u MB\n", (engine.tt.mask + 4) >> ENTRIES_TO_MB_SHIFT);
  print(engine.out, "Fen : %s\n", header.fen);
  dispatchCommand(engine, "board");
  copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, path);
  loadAnalysisFile(engine);
  setProtocolFlag(engine, FLAG_XBOARD);
  printBestLines(engine);

}

}  // namespace velt
