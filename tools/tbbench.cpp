// Measures tablebase probes per second through the block cache for the files of
// one directory (plain or compressed). Cold: one probe into each of a set of random
// blocks of all registered files, starting from an empty cache, so that every probe
// reads (and decodes) its block. Warm: random probes into the same blocks, which the
// cache then holds. (The operating system's file cache is warm in both.) Rates are
// per second of the process's processor time, so that other load on the machine
// does not distort them.
//
//   tbbench DIR [PROBES] [CACHE_MIB]
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "egtb/tb_index.h"
#include "egtb/tb_probe.h"
#include "shell/tablebases.h"

using namespace velt;

namespace {

struct Probe {
  int classNumber;
  int side;
  std::uint32_t index;
};

// Runs the probes, returning probes per second; `found` counts the known values.
double probeRate(const Tablebases& tablebases, const std::vector<Probe>& probes, long& found) {
  const std::clock_t start = std::clock();
  found = 0;
  for (const Probe& p : probes) {
    found += readTablebaseValue(tablebases, p.classNumber, p.side, p.index) != TB_VALUE_UNKNOWN;
  }
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  return static_cast<double>(probes.size()) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tbbench DIR [PROBES] [CACHE_MIB]\n");
    return 2;
  }
  const long probeCount = argc > 2 ? std::atol(argv[2]) : 200000;
  const std::size_t cacheBytes = static_cast<std::size_t>(argc > 3 ? std::atol(argv[3]) : 32) << 20;
  Tablebases tablebases;
  const auto printFault = [](void*, TablebaseFault fault, const std::string& name, const std::string& detail) {
    std::printf("%s\n", tablebaseFaultLine(fault, name, detail).c_str());
  };
  setTablebaseFaultHook(tablebases, {nullptr, printFault});
  if (initTablebases(tablebases, argv[1]) == 0) {
    std::fprintf(stderr, "no tablebases in %s\n", argv[1]);
    return 1;
  }
  std::vector<Probe> files;
  for (int c = 1; c < TB_CLASS_COUNT; ++c)
    for (int side = 0; side < (tablebaseClass(c).flags & TB_SYMMETRIC ? 1 : 2); ++side)
      if (tablebaseRegistered(tablebases, c, side) && tablebaseClass(c).positionCount[side] > 0) {
        files.push_back({c, side, 0});
      }
  std::mt19937 random(1);
  auto cache = std::make_unique<unsigned char[]>(cacheBytes);
  initTablebaseCache(tablebases, cache.get(), cacheBytes);
  // Distinct blocks, half as many as the cache holds.
  const std::size_t blockCount = cacheBytes / TB_CACHE_ENTRY_BYTES / 2;
  std::vector<Probe> blocks;
  std::set<std::tuple<int, int, std::uint32_t>> seen;
  for (std::size_t tries = 0; blocks.size() < blockCount && tries < 20 * blockCount; ++tries) {
    Probe p = files[random() % files.size()];
    p.index = static_cast<std::uint32_t>(random() % tablebaseClass(p.classNumber).positionCount[p.side]);
    if (seen.insert({p.classNumber, p.side, p.index / TB_BLOCK_ENTRIES}).second) blocks.push_back(p);
  }
  std::vector<Probe> warmProbes;
  for (long i = 0; i < probeCount; ++i) {
    Probe p = blocks[random() % blocks.size()];
    const std::uint32_t start = p.index / TB_BLOCK_ENTRIES * TB_BLOCK_ENTRIES;
    const std::uint32_t length =
        std::min<std::uint32_t>(TB_BLOCK_ENTRIES, tablebaseClass(p.classNumber).positionCount[p.side] - start);
    p.index = start + static_cast<std::uint32_t>(random() % length);
    warmProbes.push_back(p);
  }
  long coldFound = 0, warmFound = 0;
  const double cold = probeRate(tablebases, blocks, coldFound);
  const double warm = probeRate(tablebases, warmProbes, warmFound);
  std::printf("%s: %zu files; cold: %zu probes, %.0f probes/s; warm: %ld probes, %.0f probes/s (%ld + %ld known)\n",
              argv[1], files.size(), blocks.size(), cold, probeCount, warm, coldFound, warmFound);
  return 0;
}
