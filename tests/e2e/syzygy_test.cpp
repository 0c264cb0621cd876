// Syzygy tables through both protocols: the options and words, the load line, damaged
// files (one that would crash the library among them) and missing folders, and a
// search that shows the tablebase score.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "egtb/syzygy.h"
#include "eval/move_step.h"
#include "support/board_setup.h"
#include "support/engine_process.h"
#include "support/syzygy_positions.h"
#include "support/text_pattern.h"

namespace velt {

namespace {

const char* const QUEEN_WIN = "8/3k4/8/8/8/8/r3Q1K1/8 w - - 0 1";

std::string fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The good files with KRvK's WDL file cut short, KQvKR's with a damaged header and a
// stray file of garbage.
struct DamagedFolder {
  TempDirectory folder;
  DamagedFolder() {
    for (const char* name : {"KQvK", "KRvK", "KQvKR"}) {
      for (const char* suffix : {".rtbw", ".rtbz"}) {
        const std::string file = std::string(name) + suffix;
        std::string bytes = fileBytes(TEST_SYZYGY_TABLES + "/" + file);
        if (file == "KRvK.rtbw") bytes.resize(bytes.size() / 2);
        if (file == "KQvKR.rtbw") bytes = damagedTableBytes(TEST_SYZYGY_TABLES + "/" + file);
        folder.writeFile(file, bytes);
      }
    }
    folder.writeFile("KPvK.rtbw", std::string(7824, 'x'));
  }
};

bool startsWithAny(const std::string& line, std::initializer_list<const char*> prefixes) {
  for (const char* prefix : prefixes) {
    if (line.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

TEST(SyzygyEndToEnd, UciLoadsReportsAndSearchesWithTheTables) {
  if (!syzygyAvailable()) GTEST_SKIP() << "built without Syzygy";
  DamagedFolder damaged;
  EngineProcess engine;
  engine.send("uci");
  Lines lines;
  ASSERT_TRUE(engine.waitForLine("uciok", 20000, &lines));
  for (const char* option : {"option name SyzygyPath type string default <empty>",
                             "option name SyzygyProbeDepth type spin default 1 min 1 max 100",
                             "option name SyzygyProbeLimit type spin default 7 min 0 max 7",
                             "option name Syzygy50MoveRule type check default true"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), option), lines.end()) << option;
  }
  engine.send("setoption name SyzygyPath value /no/such/folder:" + damaged.folder.path());
  engine.send("isready");
  lines.clear();
  ASSERT_TRUE(engine.waitForLine("readyok", 20000, &lines));
  const std::string named = "info string Syzygy: " + damaged.folder.path();
  const Lines expected = {"info string Syzygy: no such folder: /no/such/folder",
                          named + "/KPvK.rtbw left unused (not a Syzygy table)",
                          named + "/KRvK.rtbw left unused (truncated or padded)",
                          named + "/KQvKR.rtbw left unused (damaged: the check crashed on it)",
                          named + "/KQvKR.rtbz left unused (its WDL file is damaged)",
                          "info string Syzygy: 3 files, up to 3 men"};
  EXPECT_EQ(lines, expected);
  // The damaged table's material is searched without it.
  engine.send("position fen 8/8/8/3k4/8/8/1Q6/K6r w - - 0 1");
  engine.send("go depth 6");
  ASSERT_TRUE(engine.waitForLine("bestmove", 60000));

  engine.send("setoption name SyzygyPath value " + TEST_SYZYGY_TABLES);
  ASSERT_TRUE(engine.waitForLine("info string Syzygy: 12 files, up to 4 men"));
  engine.send("position fen " + std::string(QUEEN_WIN));
  engine.send("egtb");
  ASSERT_TRUE(engine.waitForLine("Syzygy: win, DTZ "));
  engine.send("go depth 10");
  lines.clear();
  ASSERT_TRUE(engine.waitForLine("bestmove", 60000, &lines));
  const TextPattern info("info score cp 28000 depth 10 .* tbhits (\\d+) pv .*");
  const bool shown = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    std::vector<std::string> groups;
    return info.matches(line, &groups) && std::stoi(groups[0]) > 0;
  });
  EXPECT_TRUE(shown) << "no depth-10 line with the tablebase score and hits";
  // Nothing but the engine's own lines reaches the channel.
  for (const std::string& line : lines) {
    EXPECT_TRUE(startsWithAny(line, {"info ", "bestmove "})) << line;
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

TEST(SyzygyEndToEnd, XboardTakesTheEgtPathAndPlaysTheWin) {
  if (!syzygyAvailable()) GTEST_SKIP() << "built without Syzygy";
  EngineProcess engine;
  engine.send("xboard");
  engine.send("protover 2");
  Lines lines;
  ASSERT_TRUE(engine.waitForLine("feature done=1", 20000, &lines));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "feature egt=\"syzygy\""), lines.end());
  engine.send("egtpath syzygy " + TEST_SYZYGY_TABLES);
  ASSERT_TRUE(engine.waitForLine("# Syzygy: 12 files, up to 4 men"));
  engine.send("new");
  engine.send("setboard " + std::string(QUEEN_WIN));
  engine.send("sd 6");
  engine.send("go");
  const auto move = engine.waitForLine("move ", 60000);
  ASSERT_TRUE(move.has_value());
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
  // The rook attacks the queen: most moves give the win away; the one played keeps it.
  SyzygyTables tables;
  ASSERT_EQ(loadSyzygy(tables, TEST_SYZYGY_TABLES).files, 12);
  auto pos = positionFromFen(QUEEN_WIN);
  Move played;
  ASSERT_TRUE(parseSanMove(*pos, move->substr(5).c_str(), played)) << *move;
  ASSERT_TRUE(makeMove(*pos, played, -MATE_SCORE, MATE_SCORE)) << *move;
  SyzygyWdl after;
  ASSERT_TRUE(probeSyzygyWdl(*pos, after));
  EXPECT_EQ(after, SyzygyWdl::LOSS) << *move;
}

}  // namespace

}  // namespace velt
