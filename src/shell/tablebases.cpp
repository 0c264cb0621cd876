// The tablebase cache lives here, in the shell's memory; the tablebase code lays it out.
#include "shell/tablebases.h"

#include <cstddef>
#include <memory>
#include <new>

#include "egtb/tb_probe.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int MEGABYTE_SHIFT = 20;

struct TablebaseMemory {
  std::unique_ptr<unsigned char[]> cache;
};
TablebaseMemory tablebaseMemory;

}  // namespace

void loadTablebases() {
  if (tablebaseStatus.largest >= 0 || options.egtbPath[0] == '\0') return;
  int largest = initTablebases(options.egtbPath);
  if (largest > 0) {
    const std::size_t bytes = static_cast<std::size_t>(options.egtbCacheMB) << MEGABYTE_SHIFT;
    tablebaseMemory.cache.reset(new (std::nothrow) unsigned char[bytes]);
    if (tablebaseMemory.cache) initTablebaseCache(tablebaseMemory.cache.get(), bytes);
    else largest = 0;
  }
  tablebaseStatus.largest = largest;
}

void reloadTablebases() {
  initTablebaseCache(nullptr, 0);
  tablebaseMemory.cache.reset();
  tablebaseStatus.largest = -1;
  loadTablebases();
}

}  // namespace velt
