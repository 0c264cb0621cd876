// The xboard analysis status line.
#include "shell/analysis_status.h"

#include <cinttypes>
#include <cstdio>

#include "board/coordinate.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/clock.h"
#include "shell/engine.h"
#include "shell/engine.h"


namespace velt {

void printSearchStatus(Engine& engine) {
  const RootProgress progress = search.rootProgress;
  print(engine.out, "stat01: %d %" PRIu64 " %d %d %d %s\n",
              static_cast<int>((currentTimeMs() - allotment.searchStartTime) / 10), search.totalNodes,
              search.iterationDepth / 2, progress.moveCount - progress.moveIndex, progress.moveCount,
              progress.move != MOVE_NONE ? moveToCoordinate(progress.move) : "");
}

}  // namespace velt
