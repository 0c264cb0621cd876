// Table sizes as the front end's log shows them.
#include "shell/memory_report.h"

#include <cstdint>
#include <cstdio>

#include "egtb/syzygy.h"
#include "egtb/tb_probe.h"
#include "shell/engine.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr std::uint64_t PAWN_HASH_BYTES = 1572864;

}  // namespace

void printMemoryUsage(Engine& engine) {
  const bool found = engine.tablebases.largest > 0;
  print(engine.out,
        "Memory Usage:\n    Transposition Table: %d KB\n    Pawn Hash          : %d KB\n"
        "    Endgame Tablebase  : %d MB\n\nEGTB Status: ",
        static_cast<int>((static_cast<std::uint64_t>(engine.options.ttIndexMask) * 8 + 32) >> 10),
        static_cast<int>(engine.options.maxThreads * PAWN_HASH_BYTES >> 10), found ? engine.options.egtbCacheMB : 0);
  if (found) print(engine.out, "Maximum %d piece tablebases found\n\n", engine.tablebases.largest);
  else print(engine.out, (engine.engineFlags & FLAG_UCI) ? "Not set yet by UCI\n\n" : "Not found\n\n");
  if (engine.syzygy.files > 0) {
    print(engine.out, "Syzygy: %d files, up to %d men\n\n", engine.syzygy.files, engine.syzygy.largest);
  } else {
    print(engine.out, "Syzygy: none loaded\n\n");
  }
  print(engine.out, "Threads: %d\n\n", engine.options.maxThreads);
}

}  // namespace velt
