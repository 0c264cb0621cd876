#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

std::vector<long> nodeCounts(const std::vector<std::string>& lines) {
  static const std::regex position(R"(Position (\d) ->  Time: \d+ms, Nodes: (\d+))");
  std::vector<long> counts;
  for (const std::string& line : lines) {
    std::smatch match;
    if (std::regex_match(line, match, position)) {
      EXPECT_EQ(std::stoi(match[1]), static_cast<int>(counts.size()) + 1);
      counts.push_back(std::stol(match[2]));
    }
  }
  return counts;
}

std::vector<std::string> runSpeedIndex() {
  EngineProcess engine;
  engine.send("si");
  engine.send("quit");
  return engine.readAll(600000);
}

TEST(Benchmark, PrintsFourPositionsAndTheSpeedIndexWithRepeatableNodeCounts) {
  const std::vector<std::string> first = runSpeedIndex();
  const std::vector<long> counts = nodeCounts(first);
  ASSERT_EQ(counts.size(), 4u);
  for (long count : counts) EXPECT_GT(count, 10000);
  bool averages = false, index = false;
  for (const std::string& line : first) {
    averages |= std::regex_match(line, std::regex(R"(Avg KNPS on P4 1\.7GHz is 416\.558  ,  Avg KNPS for this machine is \d+\.\d{3})"));
    index |= std::regex_match(line, std::regex(R"(\*\*\* Speed Index is \d+\.\d{3} \*\*\*)"));
    EXPECT_EQ(line.find("info"), std::string::npos) << line;
  }
  EXPECT_TRUE(averages);
  EXPECT_TRUE(index);
  EXPECT_EQ(nodeCounts(runSpeedIndex()), counts);
}

}  // namespace
