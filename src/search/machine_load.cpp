#include "search/machine_load.h"

#include <algorithm>

namespace velt {

namespace {

// A core counts as free when other programs took at most a quarter of it.
constexpr std::uint64_t FREE_CORE_SHARE_QUARTERS = 3;

}  // namespace

int workingLimitFor(int threads, int cores, std::uint64_t windowNs, std::uint64_t othersBusyNs) {
  const int limit = cores > 0 ? std::min(threads, cores) : threads;
  if (cores <= 0 || windowNs == 0) return limit;
  // Free core time in quarters of a core over the window, then whole cores of it.
  const std::uint64_t capacity = static_cast<std::uint64_t>(cores) * windowNs;
  const std::uint64_t freeTime = capacity - std::min(othersBusyNs, capacity);
  const std::uint64_t freeCores = (4 * freeTime / windowNs + (4 - FREE_CORE_SHARE_QUARTERS)) / 4;
  return static_cast<int>(std::clamp<std::uint64_t>(freeCores, 1, static_cast<std::uint64_t>(limit)));
}

void beginLoadStretch(LoadWindow& window, const CpuTimes& times, std::uint64_t nowNs) {
  window.open = true;
  window.stretchStart = times;
  window.stretchStartNs = nowNs;
}

int addLoadSample(LoadWindow& window, const CpuTimes& times, std::uint64_t nowNs, bool searchEnds, int threads,
                  int cores) {
  if (!window.open) return 0;
  const CpuTimes& start = window.stretchStart;
  const std::uint64_t machine = times.machineBusyNs - std::min(times.machineBusyNs, start.machineBusyNs);
  const std::uint64_t own = times.processNs - std::min(times.processNs, start.processNs);
  window.searchNs += nowNs - std::min(nowNs, window.stretchStartNs);
  // The machine's ticks and the process clock differ in resolution: never below zero.
  window.othersNs += machine - std::min(machine, own);
  window.open = !searchEnds;
  window.stretchStart = times;
  window.stretchStartNs = nowNs;
  if (window.searchNs < LOAD_WINDOW_NS) return 0;
  const int limit = workingLimitFor(threads, cores, window.searchNs, window.othersNs);
  window.searchNs = window.othersNs = 0;
  return limit;
}

}  // namespace velt
