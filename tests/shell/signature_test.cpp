// The search's signature: the node counts of the four benchmark searches at one
// thread. Any change of search or evaluation behaviour moves them; a deliberate
// change updates them here in the same commit and says why.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

namespace {

constexpr long SIGNATURE[] = {611523, 1790610, 1617648, 1241953};
constexpr int BENCHMARK_TIMEOUT_MS = 600000;  // generous for the sanitizer build

TEST(Signature, BenchmarkNodeCountsAtOneThread) {
  EngineProcess engine;
  engine.send("si");
  engine.send("quit");
  static const std::regex position(R"(Position (\d) ->  Time: \d+ms, Nodes: (\d+))");
  std::vector<long> counts;
  for (const std::string& line : engine.readAll(BENCHMARK_TIMEOUT_MS)) {
    std::smatch match;
    if (std::regex_match(line, match, position)) counts.push_back(std::stol(match[2]));
  }
  EXPECT_EQ(counts, std::vector<long>(std::begin(SIGNATURE), std::end(SIGNATURE)));
}

}  // namespace

}  // namespace velt
