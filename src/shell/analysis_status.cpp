// The xboard analysis status line.
#include "shell/analysis_status.h"

#include <cinttypes>
#include <cstdint>

#include "board/coordinate.h"
#include "search/clock.h"
#include "search/root.h"
#include "search/search_state.h"
#include "shell/engine.h"

namespace velt {

namespace {

void printStatus(Engine& engine, std::uint32_t elapsedMs, std::uint64_t nodes, int iterationDepth,
                 const RootProgress& progress) {
  print(engine.out, "stat01: %d %" PRIu64 " %d %d %d %s\n", static_cast<int>(elapsedMs / 10), nodes,
        iterationDepth / 2, progress.moveCount - progress.moveIndex, progress.moveCount,
        progress.move != MOVE_NONE ? moveToCoordinate(progress.move).c_str() : "");
}

}  // namespace

void printSearchStatus(Engine& engine) {
  printStatus(engine, currentTimeMs() - engine.allotment.searchStartTime, engine.search.totalNodes,
              engine.search.iterationDepth, engine.search.rootProgress);
}

void printPolledStatus(Engine& engine) {
  const PolledProgress& polled = engine.search.polled;
  const RootProgress progress = {polled.rootMoveCount.load(std::memory_order_relaxed),
                                 polled.rootMoveIndex.load(std::memory_order_relaxed),
                                 polled.rootMove.load(std::memory_order_relaxed)};
  printStatus(engine, polled.elapsedMs.load(std::memory_order_relaxed), polled.nodes.load(std::memory_order_relaxed),
              polled.iterationDepth.load(std::memory_order_relaxed), progress);
}

}  // namespace velt
