// The console word "perft" run through the engine binary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

namespace {

TEST(PerftCommand, CountsThePositionSetUpByFenAndRejectsBadDepths) {
  EngineProcess engine;
  engine.send("xboard");  // a console word after the protocol as well
  engine.send("fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -");
  engine.send("perft 4");
  std::vector<std::string> lines;
  const auto total = engine.waitForLine("Nodes searched:", 20000, &lines);
  ASSERT_TRUE(total);
  EXPECT_EQ(*total, "Nodes searched: 43238");
  // One line per root move, then an empty line.
  ASSERT_GE(lines.size(), 15u);
  EXPECT_EQ(lines.back(), "");
  const std::vector<std::string> roots(lines.end() - 15, lines.end() - 1);
  EXPECT_EQ(roots.front(), "b4f4: 606");  // captures first, as the search generates them
  for (const std::string& line : roots) EXPECT_NE(line.find(": "), std::string::npos) << line;
  const auto timing = engine.readLine();
  ASSERT_TRUE(timing);
  EXPECT_EQ(timing->rfind("Time: ", 0), 0u) << *timing;
  EXPECT_NE(timing->find(" ms, "), std::string::npos) << *timing;
  for (const char* bad : {"perft", "perft 0", "perft x", "perft 99"}) {
    engine.send(bad);
    EXPECT_TRUE(engine.waitForLine("Usage: perft <depth>")) << bad;
  }
  // The game position itself is left as it was.
  engine.send("fen");
  EXPECT_TRUE(engine.waitForLine("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"));
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

}  // namespace

}  // namespace velt
