#include "search/timecontrol.h"

#include <gtest/gtest.h>

#include <algorithm>

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
  }
};

// Whatever the clock, the increment and the session, a move never takes more time
// than the clock shows, and the target lies within the hard limit.
TEST_F(TimeControlTest, AllotmentNeverOverdrawsTheClock) {
  for (int session : {0, 40}) {
    for (int inc : {0, 10, 200}) {
      for (int clock : {3, 16, 100, 200, 1000, 10100, 30000}) {
        movesPerSession = session;
        baseTime = 30000;
        increment = inc;
        clockCs[WHITE] = clock;
        clockCs[BLACK] = 20000;
        for (int ply : {0, 20, 120}) {
          allocateTime(WHITE, ply);
          EXPECT_GE(timePerMove, 1) << session << " " << inc << " " << clock << " " << ply;
          EXPECT_LE(timePerMove, std::max(clock, 1)) << session << " " << inc << " " << clock << " " << ply;
          EXPECT_LE(targetTime, timePerMove) << session << " " << inc << " " << clock << " " << ply;
        }
      }
    }
  }
  movesPerSession = baseTime = increment = 0;
  timePerMove = 300;  // a fixed time per move is the target
  allocateTime(WHITE, 10);
  EXPECT_EQ(targetTime, 300);
}

}  // namespace
