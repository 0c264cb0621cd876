// The parallel search on a machine whose cores other programs keep busy: it lets
// fewer threads work than it has. It takes real time, so it runs with the long suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/protocol_session.h"

namespace velt {

namespace {

// A busy loop on every core for the lifetime of the record: another program, as the
// engine sees this test process.
struct BusyCores {
  std::atomic<bool> done{false};
  std::vector<std::thread> loops;
  explicit BusyCores(int count) {
    for (int i = 0; i < count; ++i) {
      loops.emplace_back([this] {
        while (!done.load(std::memory_order_relaxed)) {
        }
      });
    }
  }
  ~BusyCores() {
    done = true;
    for (std::thread& loop : loops) loop.join();
  }
};

TEST(MachineLoadEndToEnd, BusyCoresLeaveFewerThreadsWorking) {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  if (cores < 2) GTEST_SKIP() << "needs two cores";
  const int threads = std::min(cores, 16);
  UciEngine uci;
  uci.engine.send("setoption name Threads value " + std::to_string(threads));
  uci.engine.send("debug on");
  uci.engine.send("position startpos");
  Lines lines;
  {
    BusyCores busy(cores);
    uci.engine.send("go movetime 2000");
    uci.bestMove(&lines);
  }
  const auto counters = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("info string parallel splits ", 0) == 0;
  });
  ASSERT_NE(counters, lines.end());
  const std::size_t at = counters->find(" working ");
  ASSERT_NE(at, std::string::npos) << *counters;
  EXPECT_LT(std::stoi(counters->substr(at + 9)), threads) << *counters;
}

}  // namespace

}  // namespace velt
