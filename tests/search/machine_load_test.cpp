// The working limit from the machine's load: free cores counted from other programs'
// processor time, and the measurement summed over searches until it is long enough.
#include <gtest/gtest.h>

#include "search/machine_load.h"

namespace velt {

namespace {

constexpr std::uint64_t MS = 1'000'000;

TEST(MachineLoad, FreeCoresBoundTheWorkingThreads) {
  const std::uint64_t window = 400 * MS;
  // An idle machine: every thread, up to the cores; all threads when the cores are unknown.
  EXPECT_EQ(workingLimitFor(2, 2, window, 0), 2);
  EXPECT_EQ(workingLimitFor(16, 2, window, 0), 2);
  EXPECT_EQ(workingLimitFor(4, 8, window, 0), 4);
  EXPECT_EQ(workingLimitFor(3, 0, window, window), 3);
  // Another program keeps one of two cores busy, or took two thirds of a core while
  // sharing both with two search threads: one free core.
  EXPECT_EQ(workingLimitFor(2, 2, window, window), 1);
  EXPECT_EQ(workingLimitFor(2, 2, window, window * 2 / 3), 1);
  // A core counts as free when at least three quarters of it are.
  EXPECT_EQ(workingLimitFor(2, 2, window, window / 4), 2);
  EXPECT_EQ(workingLimitFor(2, 2, window, window / 4 + MS), 1);
  EXPECT_EQ(workingLimitFor(8, 8, window, window * 5 / 2), 5);
  // Never fewer than one, however busy the machine.
  EXPECT_EQ(workingLimitFor(2, 2, window, 3 * window), 1);
}

TEST(MachineLoad, ShortSearchesAddUpToAWindowAndTheGapsBetweenThemDoNotCount) {
  LoadWindow window;
  CpuTimes times;
  std::uint64_t now = 1000 * MS;
  int decisions = 0;
  int limit = 0;
  // Searches of 150 ms on two cores beside a program that keeps one core busy; the
  // search itself uses the other. Between searches the machine is busy for a second.
  for (int search = 0; search < 3; ++search) {
    beginLoadStretch(window, times, now);
    times.processNs += 150 * MS;
    times.machineBusyNs += 300 * MS;
    now += 150 * MS;
    limit = addLoadSample(window, times, now, true, 2, 2);
    decisions += limit != 0;
    times.machineBusyNs += 2000 * MS;
    now += 1000 * MS;
  }
  EXPECT_EQ(decisions, 1);  // after the third search: 450 ms of search time
  EXPECT_EQ(limit, 1);
  EXPECT_FALSE(window.open);
  // Within one long search on a machine now idle but for it, a sample at the window
  // frees the second core again; the process clock running ahead of the machine's
  // ticks counts as no load rather than a negative one.
  beginLoadStretch(window, times, now);
  times.processNs += 800 * MS;
  times.machineBusyNs += 790 * MS;
  now += 400 * MS;
  EXPECT_EQ(addLoadSample(window, times, now, false, 2, 2), 2);
  EXPECT_TRUE(window.open);
}

}  // namespace

}  // namespace velt
