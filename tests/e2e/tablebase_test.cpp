// Tablebases made by the generator, used by the engine through both protocols.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "board/san.h"
#include "egtb/tb_generate.h"
#include "egtb/tb_probe.h"
#include "eval/move_step.h"
#include "support/board_setup.h"
#include "support/engine_process.h"
#include "support/text_pattern.h"

namespace velt {

namespace {

// The rook ending, won for white in 15 moves or so from here.
const char* const ROOK_WIN = "8/8/8/4k3/8/8/8/KR6 w - - 0 1";

struct RookTables {
  TempDirectory directory;
  TablebaseSet set;
  RookTables() {
    for (const char* name : {"krk", "kqk"}) {
      const int number = tablebaseClassByName(name);
      generateTablebase(number, set);
      EXPECT_TRUE(writeTablebaseFiles(directory.path(), number, set));
    }
  }
  // The stored byte of a position.
  int stored(const char* fen) {
    auto pos = positionFromFen(fen);
    TablebaseEntry entry;
    EXPECT_TRUE(tablebaseEntryOf(*pos, entry));
    return set.entries[entry.classNumber][entry.side][entry.index];
  }
};

RookTables& tables() {
  static RookTables rookTables;
  return rookTables;
}

// The answers of "egtb" (white to move, black to move, no class) and the mate the
// search finds. Compressed files give the same values through the same probes
// (TbCompressedFiles).
TEST(TablebaseEndToEnd, EgtbWordAndSearchUseTheFiles) {
  const int stored = tables().stored(ROOK_WIN);
  ASSERT_GT(stored, 0);
  const int mateIn = TB_MAX_DISTANCE + 1 - stored;
  EngineProcess engine;
  engine.send("uci");
  ASSERT_TRUE(engine.waitForLine("uciok"));
  engine.send("setoption name NalimovPath value " + tables().directory.path());
  Lines answers;
  for (const char* fen : {ROOK_WIN, "8/8/8/4k3/8/8/8/KR6 b - - 0 1", "8/8/8/4k3/8/8/8/KRN5 w - - 0 1"}) {
    engine.send("position fen " + std::string(fen));
    engine.send("egtb");
    const auto answer = engine.waitForLine(answers.size() < 2 ? "Max " : "Position");
    answers.push_back(answer ? *answer : "");
  }
  EXPECT_EQ(answers[0], "Max 3 , Score " + std::to_string(30000 - 2 * mateIn));
  EXPECT_EQ(answers[1].rfind("Max 3 , Score -", 0), 0u) << answers[1];
  EXPECT_EQ(answers[2], "Position not in EGTB");
  engine.send("position fen " + std::string(ROOK_WIN));
  engine.send("go depth 8");
  Lines lines;
  ASSERT_TRUE(engine.waitForLine("bestmove", 60000, &lines));
  const TextPattern info("info score mate (\\d+) .* tbhits (\\d+) pv .*");
  bool exact = false;
  for (const std::string& line : lines) {
    std::vector<std::string> groups;
    if (info.matches(line, &groups) && std::stoi(groups[1]) > 0) {
      exact = exact || std::stoi(groups[0]) == mateIn;
    }
  }
  EXPECT_TRUE(exact) << "no line with tablebase hits and mate " << mateIn;
  engine.send("quit");
}

// Through xboard the engine plays the tablebase's best move under a clock, also where
// another winning move shows a mate first.
TEST(TablebaseEndToEnd, XboardPlaysTheFastestTablebaseMate) {
  TempDirectory home;
  home.writeFile("velt.cfg", "EGTB_PATH = " + tables().directory.path() + "\n");
  EngineProcess engine{EngineLaunch(home)};
  engine.send("xboard");
  engine.send("protover 2");
  ASSERT_TRUE(engine.waitForLine("feature done=1"));
  for (const char* fen : {ROOK_WIN, "8/3R4/8/8/8/8/2K5/4k3 w - - 0 1", "2K5/5R2/8/8/8/2k5/8/8 w - - 0 1"}) {
    SCOPED_TRACE(fen);
    engine.send("new");
    engine.send("setboard " + std::string(fen));
    engine.send("level 0 0:10 0");
    engine.send("go");
    const auto move = engine.waitForLine("move ", 60000);
    ASSERT_TRUE(move.has_value());
    // The reply keeps the fastest mate: black is then mated one move sooner.
    auto pos = positionFromFen(fen);
    const std::string text = move->substr(5);
    Move played;
    ASSERT_TRUE(parseSanMove(*pos, text.c_str(), played)) << text;
    ASSERT_TRUE(makeMove(*pos, played, -MATE_SCORE, MATE_SCORE)) << text;
    char after[FEN_TEXT_SIZE];
    positionToFen(*pos, after);
    EXPECT_EQ(tables().stored(after), -tables().stored(fen)) << text;
  }
  engine.send("quit");
}

}  // namespace

}  // namespace velt
