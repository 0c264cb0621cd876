// The search's signature: the node counts of the four benchmark searches at one
// thread. Any change of search or evaluation behaviour moves them; a deliberate
// change updates them here in the same commit and says why.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/text_pattern.h"

namespace velt {

namespace {

constexpr long SIGNATURE[] = {611523, 1790610, 1617648, 1241953};
constexpr int BENCHMARK_TIMEOUT_MS = 600000;  // generous for the sanitizer build

// "velt bench", as testing frameworks run it: the four searches, then their total and
// the speed on one line, and the exit.
TEST(Signature, BenchmarkNodeCountsAtOneThread) {
  EngineLaunch launch;
  launch.arguments = {"bench"};
  EngineProcess engine(launch);
  static const TextPattern position(R"(Position (\d) ->  Time: \d+ms, Nodes: (\d+))");
  static const TextPattern total(R"((\d+) nodes (\d+) nps)");
  std::vector<long> counts;
  std::vector<long long> totals;
  for (const std::string& line : engine.readAll(BENCHMARK_TIMEOUT_MS)) {
    std::vector<std::string> groups;
    if (position.matches(line, &groups)) counts.push_back(std::stol(groups[1]));
    if (total.matches(line, &groups)) totals.push_back(std::stoll(groups[0]));
  }
  EXPECT_EQ(counts, std::vector<long>(std::begin(SIGNATURE), std::end(SIGNATURE)));
  long long sum = 0;
  for (long count : SIGNATURE) sum += count;
  EXPECT_EQ(totals, std::vector<long long>{sum});
  EXPECT_EQ(engine.waitForExit(), 0);
}

}  // namespace

}  // namespace velt
