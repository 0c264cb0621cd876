// The game driver's move comments read from both protocols' thinking lines.
#include "common/thinking_line.h"

#include <gtest/gtest.h>

namespace velt {

namespace {

std::string commentAfter(std::initializer_list<const char*> lines, bool uci, long long elapsedMs) {
  MoveReport report;
  report.elapsedMs = elapsedMs;
  for (const char* line : lines) readThinking(line, uci, report);
  return moveComment(report);
}

TEST(ThinkingLine, UciAndXboardLinesGiveScoreDepthAndTime) {
  // The last line with a score counts; lines without one change nothing.
  EXPECT_EQ(commentAfter({"info depth 11 seldepth 20 score cp 25 nodes 1000 pv e2e4",
                          "info depth 12 seldepth 22 score cp -130 upperbound nodes 2000 pv e2e4",
                          "info depth 13 currmove e2e4 currmovenumber 1", "info string book"},
                         true, 512),
            "-1.30/12 0.512s");
  EXPECT_EQ(commentAfter({"info depth 20 score mate 3 pv a1a8"}, true, 1020), "+M3/20 1.020s");
  EXPECT_EQ(commentAfter({"info depth 9 score mate -2 pv a1a8"}, true, 5), "-M2/9 0.005s");
  EXPECT_EQ(commentAfter({" 9    33      4 6721   Bf4 Ne4", "10 -7 10 13735 Bf4 Ne4 Qc2"}, false, 98),
            "-0.07/10 0.098s");
  EXPECT_EQ(commentAfter({"12 100005 30 9000 Qh7+"}, false, 300), "+M5/12 0.300s");
  EXPECT_EQ(commentAfter({"12 -100002 30 9000 Kh8"}, false, 300), "-M2/12 0.300s");
  // A move played without a search: the time alone.
  EXPECT_EQ(commentAfter({"Illegal move: e9e4", "feature done=1", "bestmove e2e4"}, false, 0), "0.000s");
  EXPECT_EQ(commentAfter({}, true, 2500), "2.500s");
}

// The fitting tools read the scores back from the comments the driver wrote.
TEST(ThinkingLine, MoveCommentsReadBackTheirScoreAndDepth) {
  struct Case {
    const char* comment;
    bool mate;
    int score, depth;
  };
  for (const Case& c : {Case{"-1.30/12 0.512s", false, -130, 12}, Case{"+0.07/1 0.000s", false, 7, 1},
                        Case{"+M3/20 1.020s", true, 3, 20}, Case{"-M2/9", true, -2, 9}, Case{"+0.00/5", false, 0, 5}}) {
    MoveReport report;
    ASSERT_TRUE(readMoveComment(c.comment, report)) << c.comment;
    EXPECT_TRUE(report.scored);
    EXPECT_EQ(report.mate, c.mate) << c.comment;
    EXPECT_EQ(report.score, c.score) << c.comment;
    EXPECT_EQ(report.depth, c.depth) << c.comment;
    EXPECT_EQ(moveComment(report), std::string(c.comment).substr(0, std::string(c.comment).find(' ')) + " 0.000s")
        << c.comment;
  }
  // A time alone, another program's words, a broken score: no score, the report kept.
  for (const char* comment : {"0.512s", "book", "+0.25/ 0.1s", "+/3", "+x/3", "-M/4", "", "+0.5/-2"}) {
    MoveReport report;
    report.depth = 99;
    EXPECT_FALSE(readMoveComment(comment, report)) << comment;
    EXPECT_FALSE(report.scored);
    EXPECT_EQ(report.depth, 99);
  }
}

}  // namespace

}  // namespace velt
