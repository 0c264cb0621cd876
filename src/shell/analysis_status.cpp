// The xboard analysis status line.
#include "shell/analysis_status.h"

#include <cinttypes>
#include <cstdio>

#include "search/search_state.h"
#include "shell/clock.h"

void printSearchStatus() {
  std::printf("stat01: %d %" PRIu64 " %d %d %d %s\n", static_cast<int>((currentTimeMs() - searchStartTime) / 10),
              totalNodes, iterationDepth / 2, 0, 0, "");
  std::fflush(stdout);
}
