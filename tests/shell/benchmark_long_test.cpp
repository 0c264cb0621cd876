// The speed index's report; its node counts are pinned by the signature test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/text_pattern.h"

namespace velt {

namespace {

TEST(Benchmark, PrintsFourPositionsAndTheSpeedIndex) {
  EngineProcess engine;
  engine.send("si");
  engine.send("quit");
  static const TextPattern position(R"(Position (\d) ->  Time: \d+ms, Nodes: (\d+))");
  static const TextPattern averages(
      R"(Avg KNPS on P4 1\.7GHz is 416\.558  ,  Avg KNPS for this machine is \d+\.\d{3})");
  static const TextPattern index(R"(\*\*\* Speed Index is \d+\.\d{3} \*\*\*)");
  int positions = 0, averageLines = 0, indexLines = 0;
  for (const std::string& line : engine.readAll(600000)) {
    std::vector<std::string> groups;
    if (position.matches(line, &groups)) {
      EXPECT_EQ(std::stoi(groups[0]), ++positions);
      EXPECT_GT(std::stol(groups[1]), 10000);
    }
    averageLines += averages.matches(line);
    indexLines += index.matches(line);
    EXPECT_EQ(line.find("info"), std::string::npos) << line;
  }
  EXPECT_EQ(positions, 4);
  EXPECT_EQ(averageLines, 1);
  EXPECT_EQ(indexLines, 1);
}

// The console word "bench" after a protocol: the same four searches and the line
// testing frameworks read, whose node count the signature test pins.
TEST(Benchmark, BenchWordPrintsNodesAndSpeed) {
  EngineProcess engine;
  engine.send("uci");
  engine.send("bench");
  engine.send("quit");
  static const TextPattern total(R"((\d+) nodes (\d+) nps)");
  int positions = 0, totals = 0;
  for (const std::string& line : engine.readAll(600000)) {
    positions += line.rfind("Position ", 0) == 0;
    totals += total.matches(line);
  }
  EXPECT_EQ(positions, 4);
  EXPECT_EQ(totals, 1);
}

}  // namespace

}  // namespace velt
