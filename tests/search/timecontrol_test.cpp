#include "search/timecontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "search/engine_core.h"
#include "search/search.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

namespace {

// Each test's own engine record, whose time control and allotment it sets.
class TimeControlTest : public ::testing::Test {
 protected:
  std::unique_ptr<EngineCore> record = std::make_unique<EngineCore>();
  EngineCore& engine = *record;
};

// At tiny clocks, in UCI milliseconds and in xboard centiseconds, with and without
// increment and moves to go: neither the plan nor the hard limit (where the search
// actually stops) reaches past the clock less the transport margin, and below a few
// tens of milliseconds only a one-ply search is made. A normal clock allots as before.
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
  engine.allotment.averageLag = 1;
  engine.allotment.movesToPlan = SUDDEN_DEATH_MOVES;  // a decided search plans over fewer
  engine.tt.recentRootScores[0] = 0;

  engine.search.pondering = false;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.uci ? "uci " : "xboard ") << row.clock << " +" << row.incrementCs
                                    << " mtg " << row.movesToGo);
    engine.engineFlags = row.uci ? FLAG_UCI : FLAG_XBOARD;
    const int clockMs = row.uci ? row.clock : row.clock * 10;
    engine.timeControl.moverClockMs = row.uci ? row.clock : 0;
    engine.timeControl.clockCs[WHITE] = std::max(clockMs / 10, 1);
    engine.timeControl.clockCs[BLACK] = 500;
    engine.timeControl.baseTime = row.uci ? engine.timeControl.clockCs[WHITE] : 6000;
    engine.timeControl.increment = row.incrementCs;
    engine.timeControl.movesPerSession = row.movesToGo;
    engine.search.pollMask = 65535;
    allocateTime(engine, WHITE, 40);
    const int budgetMs = clockMs - TRANSPORT_MARGIN_MS;
    // The centisecond limit fires one centisecond after timePerMove.
    const int hardMs =
        engine.allotment.clockLimitMs > 0 ? engine.allotment.clockLimitMs : (engine.timeControl.timePerMove + 1) * 10;
    EXPECT_EQ(engine.allotment.instantMove, budgetMs < INSTANT_MOVE_MS);
    if (!engine.allotment.instantMove) {
      EXPECT_LE(hardMs, budgetMs);
      EXPECT_LE(engine.allotment.targetTime * 10, budgetMs);
    }
    if (engine.allotment.clockLimitMs > 0) {
      EXPECT_LE(engine.search.pollMask, SHORT_LIMIT_POLL_MASK);
    }
  }
  engine.engineFlags = FLAG_UCI;
  engine.timeControl.moverClockMs = 10000;
  engine.timeControl.clockCs[WHITE] = engine.timeControl.baseTime = 1000;
  engine.timeControl.increment = 10;
  engine.timeControl.movesPerSession = 0;
  allocateTime(engine, WHITE, 40);
  EXPECT_EQ(engine.allotment.clockLimitMs, 0);
  EXPECT_FALSE(engine.allotment.instantMove);
  EXPECT_EQ(engine.allotment.targetTime, 900 / 40 + 10);
  engine.allotment.instantMove = true;
  EXPECT_TRUE(iterationSaysStop(engine, {2, WHITE, 20, 20, false, 3, false, false, engine.allotment.searchStartTime}));
  engine.allotment.instantMove = false;
  engine.timeControl.moverClockMs = 0;
  // A fixed time per move ("movetime", "st") is kept in milliseconds, short of the
  // limit by the transport margin, not a centisecond and a poll past it.
  engine.timeControl.movesPerSession = engine.timeControl.baseTime = engine.timeControl.increment = 0;
  for (const int timePerMove : {3, 100}) {
    engine.timeControl.timePerMove = timePerMove;
    allocateTime(engine, WHITE, 40);
    EXPECT_EQ(engine.allotment.clockLimitMs, timePerMove * 10 - TRANSPORT_MARGIN_MS);
  }
}

// At 2 s + 20 ms a move, a clock run down to 80 ms climbs back above the stall
// cushion even when every move takes all that the hard limit allows, in UCI
// milliseconds and in xboard centiseconds.
TEST_F(TimeControlTest, ALowClockWithAnIncrementWinsBackItsCushion) {
  constexpr int INCREMENT_MS = 20, MOVES = 30;
  for (const bool uci : {true, false}) {
    SCOPED_TRACE(uci ? "uci" : "xboard");
    engine.engineFlags = uci ? FLAG_UCI : FLAG_XBOARD;
    engine.allotment.averageLag = 1;
    engine.allotment.movesToPlan = SUDDEN_DEATH_MOVES;
    engine.tt.recentRootScores[0] = 0;
    engine.search.pondering = false;
    engine.timeControl.baseTime = 200;
    engine.timeControl.movesPerSession = 0;
    engine.timeControl.increment = INCREMENT_MS / 10;
    engine.timeControl.clockCs[BLACK] = 200;
    int clockMs = 80;
    for (int move = 0; move < MOVES; ++move) {
      engine.timeControl.moverClockMs = uci ? clockMs : 0;
      engine.timeControl.clockCs[WHITE] = clockMs / 10;
      allocateTime(engine, WHITE, 40);
      const int hardMs = engine.allotment.instantMove    ? 1
                         : engine.allotment.clockLimitMs ? engine.allotment.clockLimitMs
                                                         : (engine.timeControl.timePerMove + 1) * 10;
      clockMs += INCREMENT_MS - hardMs;
      ASSERT_GT(clockMs, 0);
    }
    EXPECT_GE(clockMs, STALL_CUSHION_MS);
  }
}

// A decided game without pawns plans its clock over half the moves the fifty-move rule
// leaves (never below the floor), with pawns over the usual count.
TEST_F(TimeControlTest, DecidedPawnlessGamePlansWithinTheFiftyMoveRule) {
  const int rows[][3] = {{0, 0, 25}, {40, 0, 15}, {61, 0, DECIDED_MOVES_FLOOR}, {99, 0, DECIDED_MOVES_FLOOR},
                         {80, 1, SUDDEN_DEATH_MOVES}};  // rule50, pawns, moves planned
  engine.engineFlags = FLAG_UCI;
  engine.timeControl.moverClockMs = 5000;
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = engine.timeControl.baseTime = 500;
  engine.timeControl.increment = 10;
  engine.timeControl.movesPerSession = 0;
  for (const auto& row : rows) {
    engine.allotment.movesToPlan = decidedMovesToPlan(row[0], row[1] != 0);
    allocateTime(engine, WHITE, 80);
    EXPECT_EQ(engine.allotment.targetTime, 400 / row[2] + 10) << "rule50 " << row[0];
    EXPECT_LE(engine.timeControl.timePerMove * 10, 5000 - TRANSPORT_MARGIN_MS);
  }
  engine.allotment.movesToPlan = SUDDEN_DEATH_MOVES;
  engine.timeControl.moverClockMs = 0;
}

// A stable best move ends the search at 3/8 of its target; a decided game that makes
// no progress searches on until 7/8.
TEST_F(TimeControlTest, NoProgressTakesTheWholeTarget) {
  IterationFlags flags{true, false, false};  // stable, best move unchanged, no fail-low
  engine.allotment.iterationFlags = &flags;
  engine.allotment.targetTime = 80;
  engine.search.pondering = engine.allotment.instantMove = engine.allotment.lowTimeMode = false;
  engine.allotment.ponderCredit = 0;
  IterationReport report{12, WHITE, 805, 805, false, 9, false, false, engine.allotment.searchStartTime + 400};
  EXPECT_TRUE(iterationSaysStop(engine, report));
  report.noProgress = true;
  EXPECT_FALSE(iterationSaysStop(engine, report));
  report.nowMs = engine.allotment.searchStartTime + 710;
  EXPECT_TRUE(iterationSaysStop(engine, report));
  engine.allotment.iterationFlags = &engine.allotment.normalIterationFlags;
}

// A mate stops the search only once the depth has reached it (a mate in 5 is nine
// plies): a longer mate seen earlier may hide a shorter one.
TEST_F(TimeControlTest, AMateStopsOnceTheDepthReachesIt) {
  engine.allotment.iterationFlags = &engine.allotment.normalIterationFlags;
  engine.allotment.targetTime = 1000;
  engine.search.pondering = engine.allotment.instantMove = engine.allotment.lowTimeMode = false;
  for (const int sign : {1, -1}) {
    IterationReport report{8 * ONE_PLY, WHITE, sign * (MATE_SCORE - 9),  0, false, 9,
                           false,       false, engine.allotment.searchStartTime};
    EXPECT_FALSE(iterationSaysStop(engine, report)) << sign;
    report.depth = 9 * ONE_PLY;
    EXPECT_TRUE(iterationSaysStop(engine, report)) << sign;
  }
}

}  // namespace

}  // namespace velt
