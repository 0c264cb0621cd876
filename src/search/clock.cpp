// A monotonic clock, so that a change of the system time never disturbs the
// time management.
#include "search/clock.h"

#include <atomic>
#include <chrono>

namespace velt {

namespace {

std::int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::atomic<std::int64_t> timeBase{steadyMs()};

}  // namespace

std::uint32_t currentTimeMs() { return static_cast<std::uint32_t>(steadyMs() - timeBase.load(std::memory_order_relaxed)); }

void resetTimeBase() { timeBase.store(steadyMs(), std::memory_order_relaxed); }

}  // namespace velt
