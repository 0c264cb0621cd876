// Time-control commands of both protocols: the arithmetic of "go", "level", "st",
// "sd", "time" and the lag estimate.
#include "shell/clock_settings.h"

#include <gtest/gtest.h>

#include "board/position.h"
#include "search/search_state.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace {

class ClockSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appReady()) {
      ASSERT_TRUE(initApp());
    }
    setDefaultTimeControl();
    engineFlags = FLAG_UCI | FLAG_POST;
    pondering = false;
    searching = false;
    engineSide = NO_PIECE;
    timeLag = 20;
    pendingCommand = CMD_NONE;
    recentRootScores[0] = MATE_SCORE;
    setUpPosition();
  }
};

TEST_F(ClockSettings, GoMovetimeIsCentisecondsOfAtLeastOne) {
  handleUciCommand("go movetime 999");
  EXPECT_EQ(timePerMove, 99);
  EXPECT_EQ(clockCs[WHITE], 99);
  EXPECT_EQ(clockCs[BLACK], 99);
  EXPECT_EQ(baseTime, 0);
  EXPECT_EQ(pendingCommand, CMD_GO);
  handleUciCommand("go movetime 5");
  EXPECT_EQ(timePerMove, 1);
  handleUciCommand("go movetime");
  EXPECT_EQ(timePerMove, 1);
}

TEST_F(ClockSettings, GoDepthIsLimitedAndDropsTheClock) {
  handleUciCommand("go depth 100");
  EXPECT_EQ(maxSearchDepth, 60);
  EXPECT_EQ(timePerMove, 0);
  EXPECT_EQ(baseTime, 0);
  EXPECT_EQ(clockCs[WHITE], 0);
  handleUciCommand("go depth 7");
  EXPECT_EQ(maxSearchDepth, 7);
  // 65543 is 7 in 16 bits; a negative or missing depth still searches one ply.
  handleUciCommand("go depth 65543");
  EXPECT_EQ(maxSearchDepth, 7);
  handleUciCommand("go depth -3");
  EXPECT_EQ(maxSearchDepth, 1);
  handleUciCommand("go depth");
  EXPECT_EQ(maxSearchDepth, 1);
}

TEST_F(ClockSettings, GoClocksWithMovesToGo) {
  handleUciCommand("go wtime 60000 btime 30000 movestogo 20");
  EXPECT_EQ(clockCs[WHITE], 6000);
  EXPECT_EQ(clockCs[BLACK], 3000);
  EXPECT_EQ(movesPerSession, 20);
  EXPECT_EQ(baseTime, 6000);
  EXPECT_EQ(timePerMove, 600);
  EXPECT_EQ(increment, 0);
  EXPECT_EQ(maxSearchDepth, 60);
}

TEST_F(ClockSettings, GoIncrementIsTheSideToMovesOwn) {
  gamePosition.side = BLACK;
  gamePosition.xside = WHITE;
  handleUciCommand("go wtime 10000 btime 20000 winc 500 binc 300");
  EXPECT_EQ(baseTime, 2000);
  EXPECT_EQ(increment, 30);
  EXPECT_EQ(movesPerSession, 0);
  EXPECT_EQ(timePerMove, 2000);
}

TEST_F(ClockSettings, GoKeepsTheSettingsWithoutParameters) {
  handleUciCommand("go movetime 2000");
  handleUciCommand("go");
  EXPECT_EQ(timePerMove, 200);
  EXPECT_EQ(pendingCommand, CMD_GO);
  handleUciCommand("go nodes 1000");
  EXPECT_EQ(timePerMove, 200);
}

TEST_F(ClockSettings, GoPonderAndInfinite) {
  handleUciCommand("go ponder wtime 1000 btime 1000");
  EXPECT_TRUE(pondering);
  EXPECT_EQ(baseTime, 100);
  pondering = false;
  handleUciCommand("go infinite searchmoves E2E4 d2d4");
  EXPECT_EQ(pendingCommand, CMD_ANALYZE);
  EXPECT_STREQ(searchMovesText, "e2e4 d2d4");
  handleUciCommand("go infinite");
  EXPECT_STREQ(searchMovesText, "");
}

TEST_F(ClockSettings, GoDuringASearchIsIgnored) {
  searching = true;
  handleUciCommand("go movetime 4000");
  searching = false;
  EXPECT_EQ(pendingCommand, CMD_NONE);
  EXPECT_EQ(timePerMove, 500);
}

TEST_F(ClockSettings, UciLagFromTheOwnClock) {
  clockCs[WHITE] = 5000;
  handleUciCommand("go wtime 49800 btime 50000");
  EXPECT_EQ(timeLag, 21);  // 5000 - 4980 + 1
  // A clock that grew gives no estimate; a lag at or above the increment neither.
  clockCs[WHITE] = 4000;
  handleUciCommand("go wtime 41000 btime 50000");
  EXPECT_EQ(timeLag, 21);
  clockCs[WHITE] = 4000;
  handleUciCommand("go wtime 39000 btime 50000 winc 500 binc 500");
  EXPECT_EQ(timeLag, 21);
  // Too large a lag is cut to 200.
  clockCs[WHITE] = 9000;
  handleUciCommand("go wtime 60000 btime 50000");
  EXPECT_EQ(timeLag, 200);
}

TEST_F(ClockSettings, UciLagAddsUpWhilePonderingIsAllowed) {
  engineFlags |= FLAG_PONDER;
  recentRootScores[0] = 35;
  timeLag = 10;
  clockCs[WHITE] = 5000;
  handleUciCommand("go wtime 49900 btime 50000");
  EXPECT_EQ(timeLag, 20);
}

TEST_F(ClockSettings, LagNeverEatsTheSessionShare) {
  clockCs[WHITE] = 3000;
  handleUciCommand("go wtime 20000 btime 20000 movestogo 40");
  // lag 1001 is cut to 200, above 2000 / 40 = 50: the share minus 20, at least 20.
  EXPECT_EQ(timeLag, 30);
}

TEST_F(ClockSettings, XboardLevel) {
  engineFlags = FLAG_XBOARD;
  handleXboardCommand("level 40 5 0");
  EXPECT_EQ(baseTime, 30000);
  EXPECT_EQ(movesPerSession, 40);
  EXPECT_EQ(timePerMove, 1500);
  EXPECT_EQ(clockCs[WHITE], 30000);
  EXPECT_EQ(clockCs[BLACK], 30000);
  handleXboardCommand("level 0 2:30 12");
  EXPECT_EQ(baseTime, 15000);
  EXPECT_EQ(increment, 1200);
  EXPECT_EQ(movesPerSession, 0);
  EXPECT_EQ(timePerMove, 15000);
}

TEST_F(ClockSettings, XboardLevelNeedsThreeNumbers) {
  engineFlags = FLAG_XBOARD;
  handleXboardCommand("level 40 5 0");
  testing::internal::CaptureStdout();
  handleXboardCommand("level 30 1");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR (wrong number of parameters): level <nmoves> <min> <inc>\n");
  EXPECT_EQ(baseTime, 30000);
  EXPECT_EQ(movesPerSession, 40);
}

TEST_F(ClockSettings, XboardStAndSd) {
  engineFlags = FLAG_XBOARD;
  handleXboardCommand("level 40 5 3");
  handleXboardCommand("st 10");
  EXPECT_EQ(timePerMove, 1000);
  EXPECT_EQ(maxSearchDepth, 60);
  EXPECT_EQ(baseTime, 0);
  EXPECT_EQ(increment, 0);
  EXPECT_EQ(movesPerSession, 0);
  EXPECT_EQ(clockCs[BLACK], 1000);
  handleXboardCommand("st 0");
  EXPECT_EQ(timePerMove, 1);
  handleXboardCommand("sd 99");
  EXPECT_EQ(maxSearchDepth, 60);
  EXPECT_EQ(timePerMove, 0);
  handleXboardCommand("sd 4");
  EXPECT_EQ(maxSearchDepth, 4);
}

TEST_F(ClockSettings, XboardTimeAndOtim) {
  engineFlags = FLAG_XBOARD;
  handleXboardCommand("level 0 5 0");
  // Without an engine side "time" sets the side not to move, "otim" the side to move.
  handleXboardCommand("time 1234");
  handleXboardCommand("otim 4321");
  EXPECT_EQ(clockCs[BLACK], 1234);
  EXPECT_EQ(clockCs[WHITE], 4321);
  engineSide = BLACK;
  clockCs[BLACK] = 2000;
  handleXboardCommand("time 1950");
  EXPECT_EQ(timeLag, 51);
  EXPECT_EQ(clockCs[BLACK], 1950);
  handleXboardCommand("otim 777");
  EXPECT_EQ(clockCs[WHITE], 777);
  handleXboardCommand("time 2500");
  EXPECT_EQ(timeLag, 1);
}

// Numbers far beyond any real control are bounded before the allotment works with
// them; the sanitizer build reports any overflow the allotment would still make.
TEST_F(ClockSettings, HugeNumbersAreBoundedBeforeTheAllotment) {
  const struct {
    std::uint32_t protocol;
    const char* commands[3];
  } cases[] = {
      {FLAG_UCI, {"go wtime 99999999999 btime 99999999999 winc 99999999999 binc 99999999999 movestogo 99999999999"}},
      {FLAG_UCI, {"go wtime 99999999999 btime 1 winc 99999999999 binc 5"}},
      {FLAG_UCI, {"go movetime 99999999999"}},
      {FLAG_XBOARD, {"level 99999999999 99999999999:99999999999 99999999999", "time 99999999999", "otim -99999999999"}},
      {FLAG_XBOARD, {"level 1 99999999999 0", "time -99999999999", "otim 99999999999"}},
      {FLAG_XBOARD, {"st 99999999999"}},
  };
  for (const auto& test : cases) {
    engineFlags = test.protocol;
    recentRootScores[0] = -MATE_SCORE;
    for (const char* command : test.commands) {
      if (command == nullptr) continue;
      if (test.protocol == FLAG_UCI) {
        handleUciCommand(command);
      } else {
        handleXboardCommand(command);
      }
    }
    SCOPED_TRACE(test.commands[0]);
    for (int side : {WHITE, BLACK}) {
      EXPECT_LE(std::abs(clockCs[side]), MAX_CLOCK_CS);
      allocateTime(side, 0);
      EXPECT_GT(timePerMove, 0);
      EXPECT_GT(targetTime, 0);
    }
    EXPECT_LE(increment, MAX_INCREMENT_CS);
    EXPECT_LE(movesPerSession, MAX_MOVES_TO_GO);
    EXPECT_LE(timePerMove, MAX_CLOCK_CS);
    setDefaultTimeControl();
  }
}

}  // namespace
