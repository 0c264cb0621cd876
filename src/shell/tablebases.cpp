// The tablebase cache is the engine record's memory; the tablebase code lays it out.
#include "shell/tablebases.h"

#include <cstddef>
#include <memory>
#include <new>

#include "egtb/tb_probe.h"
#include "shell/engine.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int MEGABYTE_SHIFT = 20;

}  // namespace

void loadTablebases(Engine& engine) {
  if (tablebaseStatus.largest >= 0 || options.egtbPath[0] == '\0') return;
  int largest = initTablebases(options.egtbPath);
  if (largest > 0) {
    const std::size_t bytes = static_cast<std::size_t>(options.egtbCacheMB) << MEGABYTE_SHIFT;
    engine.tablebaseCache.reset(new (std::nothrow) unsigned char[bytes]);
    if (engine.tablebaseCache) initTablebaseCache(engine.tablebaseCache.get(), bytes);
    else largest = 0;
  }
  tablebaseStatus.largest = largest;
}

void reloadTablebases(Engine& engine) {
  initTablebaseCache(nullptr, 0);
  engine.tablebaseCache.reset();
  tablebaseStatus.largest = -1;
  loadTablebases(engine);
}

}  // namespace velt
