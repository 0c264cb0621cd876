// How many search threads may work at once on a machine that other programs share.
// A split point waits for its slowest helper: a helper that waits for a core (an
// opponent pondering on the same machine, a second game of a match) holds up the
// thread that split until its turn comes, and the search with more threads than free
// cores runs slower than one thread alone. So the threads that work are kept to the
// cores that the other programs leave free, measured over the searches; the rest
// sleep until a core is free again.
#pragma once

#include <cstdint>

#include "platform/cpu_times.h"

namespace velt {

// Search time that one measurement covers at least: the system counts processor time
// in ticks of several milliseconds.
constexpr std::uint64_t LOAD_WINDOW_NS = 400'000'000;

// The threads that may work at once: one for every core that other programs left
// at least three quarters free over the window, at least one, at most `threads` and
// `cores` (0: not known).
int workingLimitFor(int threads, int cores, std::uint64_t windowNs, std::uint64_t othersBusyNs);

// Search time and other programs' processor time, summed over the stretches of
// search since the last decision. Kept by the thread that polls the clock.
struct LoadWindow {
  bool open = false;  // a stretch has begun: a search runs and the system tells
  CpuTimes stretchStart;
  std::uint64_t stretchStartNs = 0;
  std::uint64_t searchNs = 0;
  std::uint64_t othersNs = 0;
};

// A search begins a stretch with the times read then, at `nowNs` on a steady clock.
void beginLoadStretch(LoadWindow& window, const CpuTimes& times, std::uint64_t nowNs);

// Adds the stretch up to `times`, read at `nowNs`; the next stretch starts there
// unless the search ends. Returns the new working limit once the window is long
// enough, else 0.
int addLoadSample(LoadWindow& window, const CpuTimes& times, std::uint64_t nowNs, bool searchEnds, int threads,
                  int cores);

}  // namespace velt
