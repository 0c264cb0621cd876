#include "search/timecontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace {

// At tiny clocks, in UCI milliseconds and in xboard centiseconds, with and without
// increment and moves to go: neither the plan nor the hard limit (where the search
// actually stops) reaches past the clock less the transport margin, and below a few
// tens of milliseconds only a one-ply search is made. A normal clock allots as before.
TEST(TimeControl, TinyClocksStayInsideTheClock) {
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
  recentRootScores[0] = 0;
  pondering = false;
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
  EXPECT_TRUE(iterationSaysStop({2, WHITE, 20, 20, false, 3, false, false, searchStartTime}));
  instantMove = false;
  moverClockMs = 0;
}

// A decided game without pawns plans its clock over half the moves the fifty-move rule
// leaves (never below the floor), with pawns over the usual count.
TEST(TimeControl, DecidedPawnlessGamePlansWithinTheFiftyMoveRule) {
  const int rows[][3] = {{0, 0, 25}, {40, 0, 15}, {61, 0, DECIDED_MOVES_FLOOR}, {99, 0, DECIDED_MOVES_FLOOR},
                         {80, 1, SUDDEN_DEATH_MOVES}};  // rule50, pawns, moves planned
  engineFlags = FLAG_UCI;
  moverClockMs = 5000;
  clockCs[WHITE] = clockCs[BLACK] = baseTime = 500;
  increment = 10;
  movesPerSession = 0;
  for (const auto& row : rows) {
    movesToPlan = decidedMovesToPlan(row[0], row[1] != 0);
    allocateTime(WHITE, 80);
    EXPECT_EQ(targetTime, 400 / row[2] + 10) << "rule50 " << row[0];
    EXPECT_LE(timePerMove * 10, 5000 - TRANSPORT_MARGIN_MS);
  }
  movesToPlan = SUDDEN_DEATH_MOVES;
  moverClockMs = 0;
}

// A stable best move ends the search at 3/8 of its target; a decided game that makes
// no progress searches on until 7/8.
TEST(TimeControl, NoProgressTakesTheWholeTarget) {
  IterationFlags flags{true, false, false};  // stable, best move unchanged, no fail-low
  iterationFlags = &flags;
  targetTime = 80;
  pondering = instantMove = lowTimeMode = false;
  ponderCredit = 0;
  IterationReport report{12, WHITE, 805, 805, false, 9, false, false, searchStartTime + 400};
  EXPECT_TRUE(iterationSaysStop(report));
  report.noProgress = true;
  EXPECT_FALSE(iterationSaysStop(report));
  report.nowMs = searchStartTime + 710;
  EXPECT_TRUE(iterationSaysStop(report));
  iterationFlags = &normalIterationFlags;
}

// A mate stops the search only once the depth has reached it (a mate in 5 is nine
// plies): a longer mate seen earlier may hide a shorter one.
TEST(TimeControl, AMateStopsOnceTheDepthReachesIt) {
  iterationFlags = &normalIterationFlags;
  targetTime = 1000;
  pondering = instantMove = lowTimeMode = false;
  for (const int sign : {1, -1}) {
    IterationReport report{8 * ONE_PLY, WHITE, sign * (MATE_SCORE - 9), 0, false, 9, false, false, searchStartTime};
    EXPECT_FALSE(iterationSaysStop(report)) << sign;
    report.depth = 9 * ONE_PLY;
    EXPECT_TRUE(iterationSaysStop(report)) << sign;
  }
}

}  // namespace
