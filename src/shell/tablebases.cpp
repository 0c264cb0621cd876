// The tablebase cache is the engine record's memory; the tablebase code lays it out.
#include "shell/tablebases.h"

#include <cstddef>
#include <memory>
#include <new>

#include "egtb/syzygy.h"
#include "egtb/tb_probe.h"
#include "search/tablebase_sites.h"
#include "shell/engine.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int MEGABYTE_SHIFT = 20;

const char* syzygyLinePrefix(const Engine& engine) { return (engine.engineFlags & FLAG_UCI) ? "info string" : "#"; }

void printFault(void* context, TablebaseFault fault, const std::string& fileName, const std::string& detail) {
  print(static_cast<Engine*>(context)->out, "%s\n", tablebaseFaultLine(fault, fileName, detail).c_str());
}

}  // namespace

std::string tablebaseFaultLine(TablebaseFault fault, const std::string& fileName, const std::string& detail) {
  switch (fault) {
    case TablebaseFault::SEEK_FAILED: return "*** Seek in " + fileName + " failed";
    case TablebaseFault::CORRUPTED: return "*** " + fileName + " corrupted";
    case TablebaseFault::UNREADABLE: return "*** Unable to read " + fileName + " - " + detail;
    case TablebaseFault::UNSUPPORTED_BLOCK_SIZE: return "*** " + fileName + ": Unsupported block size " + detail;
  }
  return "*** " + fileName;
}

void loadTablebases(Engine& engine) {
  Tablebases& tablebases = engine.tablebases;
  if (tablebases.largest >= 0 || engine.options.egtbPath[0] == '\0') return;
  // Files found damaged, now or by a probe later, are told on the engine's output.
  setTablebaseFaultHook(tablebases, TablebaseFaultHook{&engine, printFault});
  int largest = initTablebases(tablebases, engine.options.egtbPath);
  if (largest > 0) {
    const std::size_t bytes = static_cast<std::size_t>(engine.options.egtbCacheMB) << MEGABYTE_SHIFT;
    engine.tablebaseCache.reset(new (std::nothrow) unsigned char[bytes]);
    if (engine.tablebaseCache) initTablebaseCache(tablebases, engine.tablebaseCache.get(), bytes);
    else largest = 0;
  }
  tablebases.largest = largest;
}

void reloadTablebases(Engine& engine) {
  initTablebaseCache(engine.tablebases, nullptr, 0);
  engine.tablebaseCache.reset();
  engine.tablebases.largest = -1;
  loadTablebases(engine);
}

void loadSyzygyTables(Engine& engine) {
  const bool hadTables = engine.syzygy.files > 0;
  if (engine.options.syzygyPath[0] == '\0') {
    unloadSyzygy(engine.syzygy);
    if (hadTables) print(engine.out, "%s Syzygy: tables unloaded\n", syzygyLinePrefix(engine));
    return;
  }
  const SyzygyLoadReport report = loadSyzygy(engine.syzygy, engine.options.syzygyPath);
  const char* prefix = syzygyLinePrefix(engine);
  for (const std::string& fault : report.faults) print(engine.out, "%s %s\n", prefix, fault.c_str());
  if (report.files == 0) {
    print(engine.out, "%s Syzygy: no tables found\n", prefix);
  } else {
    print(engine.out, "%s Syzygy: %d files, up to %d men\n", prefix, report.files, report.largest);
  }
}

void setSyzygyPath(Engine& engine, const std::string& path) {
  const std::string wanted = path == "<empty>" ? std::string() : path;
  if (wanted == engine.options.syzygyPath) return;
  copyPath(engine.options.syzygyPath, PATH_SIZE, wanted.c_str());
  loadSyzygyTables(engine);
}

std::string syzygyVerdictLine(const Position& pos) {
  static constexpr const char* verdictNames[] = {"loss", "blessed loss", "draw", "cursed win", "win"};
  SyzygyRoot ranking;
  if (pos.castleRights != 0 || !probeSyzygyRoot(pos, ranking)) return "Syzygy: not in tables";
  return std::string("Syzygy: ") + verdictNames[static_cast<int>(ranking.wdl)] + ", DTZ " + std::to_string(ranking.dtz);
}

}  // namespace velt
