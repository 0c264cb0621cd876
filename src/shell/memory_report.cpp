// Table sizes as the front end's log shows them.
#include "shell/memory_report.h"

#include <cstdint>
#include <cstdio>

#include "shell/options.h"

namespace {

constexpr std::uint64_t PAWN_HASH_BYTES = 1572864;

}  // namespace

// No tablebases are loaded yet, so their cache is empty and none are reported.
void printMemoryUsage() {
  std::printf("Memory Usage:\n    Transposition Table: %d KB\n    Pawn Hash          : %d KB\n"
              "    Endgame Tablebase  : %d MB\n\nEGTB Status: ",
              static_cast<int>((static_cast<std::uint64_t>(options.ttIndexMask) * 8 + 32) >> 10),
              static_cast<int>(options.maxThreads * PAWN_HASH_BYTES >> 10), 0);
  std::printf((engineFlags & FLAG_UCI) ? "Not set yet by UCI\n\n" : "Not found\n\n");
  std::printf("Threads: %d\n\n", options.maxThreads);
  std::fflush(stdout);
}
