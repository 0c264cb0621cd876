// Syzygy tables through both protocols: the options and words, the load line, damaged
// files and missing folders, and a search with the tables whose output holds only the
// engine's own lines. The paths are written so that the Windows engine under Wine
// takes them too (";" between folders).
#include <gtest/gtest.h>

#include <string>

#include "egtb/syzygy.h"
#include "support/book_files.h"
#include "support/engine_process.h"
#include "support/syzygy_positions.h"

namespace velt {

namespace {

const char* const QUEEN_WIN = "8/3k4/8/8/8/8/r3Q1K1/8 w - - 0 1";

// The good files with KRvK's WDL file cut short, KQvKR's with a damaged header and a
// stray file of garbage.
struct DamagedFolder {
  TempDirectory folder;
  DamagedFolder() {
    for (const char* name : {"KQvK", "KRvK", "KQvKR"}) {
      for (const char* suffix : {".rtbw", ".rtbz"}) {
        const std::string file = std::string(name) + suffix;
        std::string bytes = readWholeFile(TEST_SYZYGY_TABLES + "/" + file);
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
  DamagedFolder damaged;
  EngineProcess engine;
  engine.send("uci");
  ASSERT_TRUE(engine.waitForLine("uciok"));
  engine.send("setoption name SyzygyPath value /no/such/folder;" + damaged.folder.path());
  engine.send("isready");
  Lines lines;
  ASSERT_TRUE(engine.waitForLine("readyok", 20000, &lines));
  const std::string named = "info string Syzygy: " + damaged.folder.path();
  const Lines expected = {"info string Syzygy: no such folder: /no/such/folder",
                          named + "/KPvK.rtbw left unused (not a Syzygy table)",
                          named + "/KRvK.rtbw left unused (truncated or padded)",
                          "info string Syzygy: 5 files, up to 4 men"};
  EXPECT_EQ(lines, expected);
  // The table with the damaged header is refused when it is first read: its material
  // is searched without it, and the tables beside it still answer.
  engine.send("position fen 8/8/8/3k4/8/8/1Q6/K6r w - - 0 1");
  engine.send("egtb");
  ASSERT_TRUE(engine.waitForLine("Syzygy: not in tables"));
  engine.send("go depth 6");
  ASSERT_TRUE(engine.waitForLine("bestmove", 60000));
  engine.send("position fen 8/8/8/3k4/8/8/1Q6/K7 w - - 0 1");
  engine.send("egtb");
  ASSERT_TRUE(engine.waitForLine("Syzygy: win, DTZ "));

  engine.send("setoption name SyzygyPath value " + TEST_SYZYGY_TABLES);
  ASSERT_TRUE(engine.waitForLine("info string Syzygy: 12 files, up to 4 men"));
  engine.send("position fen " + std::string(QUEEN_WIN));
  engine.send("egtb");
  ASSERT_TRUE(engine.waitForLine("Syzygy: win, DTZ "));
  engine.send("go depth 10");
  lines.clear();
  ASSERT_TRUE(engine.waitForLine("bestmove", 60000, &lines));
  // Nothing but the engine's own lines reaches the channel (the search's use of the
  // tables: SyzygySearch).
  for (const std::string& line : lines) {
    EXPECT_TRUE(startsWithAny(line, {"info ", "bestmove "})) << line;
  }
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

TEST(SyzygyEndToEnd, XboardTakesTheEgtPath) {
  EngineProcess engine;
  engine.send("xboard");
  engine.send("protover 2");
  ASSERT_TRUE(engine.waitForLine("feature done=1"));
  engine.send("egtpath syzygy " + TEST_SYZYGY_TABLES);
  EXPECT_TRUE(engine.waitForLine("# Syzygy: 12 files, up to 4 men"));
  engine.send("quit");
  EXPECT_EQ(engine.waitForExit(), 0);
}

}  // namespace

}  // namespace velt
