#include "search/timecontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

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
  allotment.averageLag = 1;
  allotment.movesToPlan = SUDDEN_DEATH_MOVES;  // a decided search plans over fewer
  recentRootScores[0] = 0;

  search.pondering = false;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.uci ? "uci " : "xboard ") << row.clock << " +" << row.incrementCs
                                    << " mtg " << row.movesToGo);
    engineFlags = row.uci ? FLAG_UCI : FLAG_XBOARD;
    const int clockMs = row.uci ? row.clock : row.clock * 10;
    timeControl.moverClockMs = row.uci ? row.clock : 0;
    timeControl.clockCs[WHITE] = std::max(clockMs / 10, 1);
    timeControl.clockCs[BLACK] = 500;
    timeControl.baseTime = row.uci ? timeControl.clockCs[WHITE] : 6000;
    timeControl.increment = row.incrementCs;
    timeControl.movesPerSession = row.movesToGo;
    search.pollMask = 65535;
    allocateTime(WHITE, 40);
    const int budgetMs = clockMs - TRANSPORT_MARGIN_MS;
    // The centisecond limit fires one centisecond after timePerMove.
    const int hardMs = allotment.clockLimitMs > 0 ? allotment.clockLimitMs : (timeControl.timePerMove + 1) * 10;
    EXPECT_EQ(allotment.instantMove, budgetMs < INSTANT_MOVE_MS);
    if (!allotment.instantMove) {
      EXPECT_LE(hardMs, budgetMs);
      EXPECT_LE(allotment.targetTime * 10, budgetMs);
    }
    if (allotment.clockLimitMs > 0) {
      EXPECT_LE(search.pollMask, SHORT_LIMIT_POLL_MASK);
    }
  }
  engineFlags = FLAG_UCI;
  timeControl.moverClockMs = 10000;
  timeControl.clockCs[WHITE] = timeControl.baseTime = 1000;
  timeControl.increment = 10;
  timeControl.movesPerSession = 0;
  allocateTime(WHITE, 40);
  EXPECT_EQ(allotment.clockLimitMs, 0);
  EXPECT_FALSE(allotment.instantMove);
  EXPECT_EQ(allotment.targetTime, 900 / 40 + 10);
  allotment.instantMove = true;
  EXPECT_TRUE(iterationSaysStop({2, WHITE, 20, 20, false, 3, false, false, allotment.searchStartTime}));
  allotment.instantMove = false;
  timeControl.moverClockMs = 0;
  // A fixed time per move ("movetime", "st") is kept in milliseconds, short of the
  // limit by the transport margin, not a centisecond and a poll past it.
  timeControl.movesPerSession = timeControl.baseTime = timeControl.increment = 0;
  for (const int timePerMove : {3, 100}) {
    timeControl.timePerMove = timePerMove;
    allocateTime(WHITE, 40);
    EXPECT_EQ(allotment.clockLimitMs, timePerMove * 10 - TRANSPORT_MARGIN_MS);
  }
}

// A decided game without pawns plans its clock over half the moves the fifty-move rule
// leaves (never below the floor), with pawns over the usual count.
TEST(TimeControl, DecidedPawnlessGamePlansWithinTheFiftyMoveRule) {
  const int rows[][3] = {{0, 0, 25}, {40, 0, 15}, {61, 0, DECIDED_MOVES_FLOOR}, {99, 0, DECIDED_MOVES_FLOOR},
                         {80, 1, SUDDEN_DEATH_MOVES}};  // rule50, pawns, moves planned
  engineFlags = FLAG_UCI;
  timeControl.moverClockMs = 5000;
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = timeControl.baseTime = 500;
  timeControl.increment = 10;
  timeControl.movesPerSession = 0;
  for (const auto& row : rows) {
    allotment.movesToPlan = decidedMovesToPlan(row[0], row[1] != 0);
    allocateTime(WHITE, 80);
    EXPECT_EQ(allotment.targetTime, 400 / row[2] + 10) << "rule50 " << row[0];
    EXPECT_LE(timeControl.timePerMove * 10, 5000 - TRANSPORT_MARGIN_MS);
  }
  allotment.movesToPlan = SUDDEN_DEATH_MOVES;
  timeControl.moverClockMs = 0;
}

// A stable best move ends the search at 3/8 of its target; a decided game that makes
// no progress searches on until 7/8.
TEST(TimeControl, NoProgressTakesTheWholeTarget) {
  IterationFlags flags{true, false, false};  // stable, best move unchanged, no fail-low
  allotment.iterationFlags = &flags;
  allotment.targetTime = 80;
  search.pondering = allotment.instantMove = allotment.lowTimeMode = false;
  allotment.ponderCredit = 0;
  IterationReport report{12, WHITE, 805, 805, false, 9, false, false, allotment.searchStartTime + 400};
  EXPECT_TRUE(iterationSaysStop(report));
  report.noProgress = true;
  EXPECT_FALSE(iterationSaysStop(report));
  report.nowMs = allotment.searchStartTime + 710;
  EXPECT_TRUE(iterationSaysStop(report));
  allotment.iterationFlags = &allotment.normalIterationFlags;
}

// A mate stops the search only once the depth has reached it (a mate in 5 is nine
// plies): a longer mate seen earlier may hide a shorter one.
TEST(TimeControl, AMateStopsOnceTheDepthReachesIt) {
  allotment.iterationFlags = &allotment.normalIterationFlags;
  allotment.targetTime = 1000;
  search.pondering = allotment.instantMove = allotment.lowTimeMode = false;
  for (const int sign : {1, -1}) {
    IterationReport report{8 * ONE_PLY, WHITE, sign * (MATE_SCORE - 9),  0, false, 9,
                           false,       false, allotment.searchStartTime};
    EXPECT_FALSE(iterationSaysStop(report)) << sign;
    report.depth = 9 * ONE_PLY;
    EXPECT_TRUE(iterationSaysStop(report)) << sign;
  }
}

}  // namespace

}  // namespace velt
