#include "search/timecontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace {

class TimeControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engineFlags = FLAG_XBOARD;
    movesPerSession = baseTime = increment = timePerMove = 0;
    averageLag = 0;
    pondering = false;
    recentRootScores[0] = 0;
    searchStartTime = 1000;
    ponderCredit = 0;
    stable = bestMoveChanged = failLowSeen = false;
    lowTimeMode = false;
    moverClockMs = 0;
    clockLimitMs = 0;
    instantMove = false;
  }
  static IterationReport report(int depth, int elapsedCs) {
    return {depth, WHITE, 20, 20, false, 3, false, false, searchStartTime + 10u * static_cast<std::uint32_t>(elapsedCs)};
  }
};

TEST_F(TimeControlTest, FixedTimePerMoveIsTheTarget) {
  timePerMove = 300;
  allocateTime(WHITE, 10);
  EXPECT_EQ(targetTime, 300);
  EXPECT_EQ(timePerMove, 300);
}

TEST_F(TimeControlTest, OneSecondOfSuddenDeathLeft) {
  baseTime = 6000;
  clockCs[WHITE] = 100;
  clockCs[BLACK] = 100;
  allocateTime(WHITE, 40);
  EXPECT_EQ(targetTime, 5);    // myTime is 20
  EXPECT_EQ(timePerMove, 10);  // min(4 * 5, 20 / 3 + 5), at most 20 / 2
}

TEST_F(TimeControlTest, ALowClockIsNeverOverdrawn) {
  // 168 ms left with 0.1 s increment: the floor of 20 would allow more than the clock.
  baseTime = 300;
  increment = 10;
  clockCs[WHITE] = 16;
  clockCs[BLACK] = 200;
  allocateTime(WHITE, 120);
  EXPECT_EQ(timePerMove, 8);  // (16 - 5) * 3 / 4
  EXPECT_LE(targetTime, timePerMove);
  clockCs[WHITE] = 3;
  allocateTime(WHITE, 120);
  EXPECT_EQ(timePerMove, 1);
}

TEST_F(TimeControlTest, SuddenDeathShrinksAgainstAFasterClockAndAddsIncrement) {
  baseTime = 30000;
  clockCs[WHITE] = 10100;  // myTime 10000
  clockCs[BLACK] = 20000;
  allocateTime(WHITE, 40);
  EXPECT_EQ(targetTime, 250 * 10000 / 20000);
  increment = 200;
  allocateTime(WHITE, 40);
  EXPECT_EQ(targetTime, 450);
  EXPECT_EQ(timePerMove, 1800);
}

TEST_F(TimeControlTest, MovesPerSession) {
  movesPerSession = 40;
  baseTime = 30000;
  averageLag = 2;
  clockCs[WHITE] = 12100;  // myTime 12000
  clockCs[BLACK] = 11000;
  allocateTime(WHITE, 20);  // 10 moves made: 30 to go
  EXPECT_EQ(timeReserve, 60);
  EXPECT_EQ(targetTime, (12000 - 60) / 30);
  EXPECT_EQ(timePerMove, std::min(4 * targetTime, (12000 - 60) / 3 + targetTime));
  // Behind on the clock, a target below three quarters of the session share shrinks.
  clockCs[BLACK] = 20000;
  allocateTime(WHITE, 20);
  EXPECT_EQ(targetTime, (12000 - 60) / 30 * 3 / 4);
  // Close to the reserve: play at once.
  clockCs[WHITE] = 200;
  allocateTime(WHITE, 20);
  EXPECT_EQ(targetTime, 5);
  EXPECT_EQ(timePerMove, 5);
}

TEST_F(TimeControlTest, IterationStopsAtTheFractionsOfTheTarget) {
  targetTime = 80;
  EXPECT_FALSE(iterationSaysStop(report(4, 29)));
  stable = true;
  EXPECT_TRUE(iterationSaysStop(report(4, 31)));  // 3/8 with a stable score
  stable = false;
  EXPECT_FALSE(iterationSaysStop(report(4, 50)));
  EXPECT_TRUE(iterationSaysStop(report(4, 51)));  // 5/8, no change, no fail low
  failLowSeen = true;
  EXPECT_FALSE(iterationSaysStop(report(4, 60)));
  EXPECT_TRUE(iterationSaysStop(report(4, 61)));  // 6/8, best move kept
  bestMoveChanged = true;
  EXPECT_FALSE(iterationSaysStop(report(4, 70)));
  EXPECT_TRUE(iterationSaysStop(report(4, 71)));  // 7/8 in any case
  // A falling score skips the time rules.
  IterationReport falling = report(4, 75);
  falling.score = falling.previousScore - 51;
  EXPECT_FALSE(iterationSaysStop(falling));
  pondering = true;
  EXPECT_FALSE(iterationSaysStop(report(4, 75)));
}

TEST_F(TimeControlTest, MateScoreAndSingleMoveStopFromThreePlies) {
  targetTime = 10000;
  IterationReport mate = report(4, 1);
  mate.score = MATE_SCORE - 5;
  EXPECT_FALSE(iterationSaysStop(mate));
  mate.depth = 6;
  EXPECT_TRUE(iterationSaysStop(mate));
  IterationReport single = report(6, 1);
  single.singleMove = true;
  EXPECT_TRUE(iterationSaysStop(single));
  single.depth = 4;
  EXPECT_FALSE(iterationSaysStop(single));
}

TEST_F(TimeControlTest, PollIntervalFollowsTheSpeed) {
  tunePollInterval(1000000, 0, 1000, 1);  // 25 ms period: 25000 nodes
  EXPECT_EQ(pollMask, 16383u);
  tunePollInterval(1000, 0, 1000, 1);  // 25 nodes
  EXPECT_EQ(pollMask, 15u);
  tunePollInterval(100, 0, 1000, 1);
  EXPECT_EQ(pollMask, 7u);
  timePerMove = 500;
  tunePollInterval(1000000, 500, 1000, 2);  // 100 ms period over two threads: 50000
  EXPECT_EQ(pollMask, 32767u);
  EXPECT_EQ(tbPollInterval, 100);
}

// At tiny clocks, in UCI milliseconds and in xboard centiseconds, with and without
// increment and moves to go: neither the plan nor the hard limit (where the search
// actually stops) reaches past the clock less the transport margin, and below a few
// tens of milliseconds only a one-ply search is made.
TEST_F(TimeControlTest, TinyClocksStayInsideTheClock) {
  struct Row {
    bool uci;
    int clock;  // ms for UCI, cs for xboard
    int incrementCs;
    int movesToGo;
  };
  std::vector<Row> rows;
  for (const int ms : {1, 5, 20, 35, 39, 41, 55, 90, 150, 300, 600, 1000}) {
    for (const int inc : {0, 1}) {
      for (const int mtg : {0, 1, 5}) rows.push_back({true, ms, inc, mtg});
    }
  }
  for (const int cs : {1, 3, 4, 5, 8, 15, 30, 60, 100}) {
    for (const int inc : {0, 1}) rows.push_back({false, cs, inc, 0});
  }
  averageLag = 1;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.uci ? "uci " : "xboard ") << row.clock << " +" << row.incrementCs
                                    << " mtg " << row.movesToGo);
    engineFlags = row.uci ? FLAG_UCI : FLAG_XBOARD;
    const int clockMs = row.uci ? row.clock : row.clock * 10;
    moverClockMs = row.uci ? row.clock : 0;
    clockCs[WHITE] = std::max(clockMs / 10, 1);
    clockCs[BLACK] = 500;
    baseTime = row.uci ? clockCs[WHITE] : 6000;
    increment = row.incrementCs;
    movesPerSession = row.movesToGo;
    pollMask = 65535;
    allocateTime(WHITE, 40);
    const int budgetMs = clockMs - TRANSPORT_MARGIN_MS;
    // The centisecond limit fires one centisecond after timePerMove.
    const int hardMs = clockLimitMs > 0 ? clockLimitMs : (timePerMove + 1) * 10;
    EXPECT_EQ(instantMove, budgetMs < INSTANT_MOVE_MS);
    if (!instantMove) {
      EXPECT_LE(hardMs, budgetMs);
      EXPECT_LE(targetTime * 10, budgetMs);
    }
    if (clockLimitMs > 0) {
      EXPECT_LE(pollMask, SHORT_LIMIT_POLL_MASK);
    }
  }
  // A normal clock keeps the allotment as it was.
  engineFlags = FLAG_UCI;
  moverClockMs = 10000;
  clockCs[WHITE] = baseTime = 1000;
  increment = 10;
  movesPerSession = 0;
  allocateTime(WHITE, 40);
  EXPECT_EQ(clockLimitMs, 0);
  EXPECT_FALSE(instantMove);
  EXPECT_EQ(targetTime, 900 / 40 + 10);
  instantMove = true;
  EXPECT_TRUE(iterationSaysStop(report(2, 0)));
}

TEST(ScoreDisplay, WindowEdgeScoresAreSmoothed) {
  lastPrintedScore = 380;
  EXPECT_EQ(displayScore(500), 440);
  EXPECT_EQ(displayScore(500), 440);  // within 100 of the last one printed
  EXPECT_EQ(displayScore(123), 123);
  EXPECT_EQ(lastPrintedScore, 123);
}

TEST(ScoreDisplay, MateScoresInMoves) {
  char text[32];
  formatUciScore(text, sizeof text, MATE_SCORE - 1);
  EXPECT_STREQ(text, "mate 1");
  formatUciScore(text, sizeof text, MATE_SCORE - 3);
  EXPECT_STREQ(text, "mate 2");
  formatUciScore(text, sizeof text, 2 - MATE_SCORE);
  EXPECT_STREQ(text, "mate -1");
  formatUciScore(text, sizeof text, -37);
  EXPECT_STREQ(text, "cp -37");
}

}  // namespace
