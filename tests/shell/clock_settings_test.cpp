// Time-control commands of both protocols: the numbers of "go", "level", "st", "sd",
// "time" and "otim" reach the clock settings in the engine's units.
#include "search/worker.h"
#include "shell/clock_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "board/position.h"
#include "search/search_state.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/uci.h"
#include "shell/xboard.h"

namespace velt {

namespace {

class ClockSettings : public ::testing::Test {
 protected:
  std::unique_ptr<Engine> record = std::make_unique<Engine>();
  Engine& engine = *record;
  void SetUp() override {
    if (!appReady(engine)) {
      ASSERT_TRUE(initApp(engine));
    }
    setDefaultTimeControl(engine);
    engine.engineFlags = FLAG_UCI | FLAG_POST;
    engine.search.pondering = false;
    engine.game.engineSide = NO_PIECE;
    engine.timeControl.timeLag = 20;
    engine.game.pendingCommand = CMD_NONE;
    engine.tt.recentRootScores[0] = MATE_SCORE;
    setUpPosition(engine.gamePosition);
  }
};

// The settings after command lines (milliseconds and minutes become centiseconds);
// ANY leaves a field unchecked. A "level" with a zero base takes its base from the
// first positive "time" (a control under a second); any other control keeps what it
// set. Without an engine side "time" sets the side not to move, "otim" the other.
TEST_F(ClockSettings, CommandsSetTheClock) {
  constexpr int ANY = std::numeric_limits<int>::min();
  struct Case {
    bool xboard;
    std::vector<const char*> commands;
    int perMove, base, inc, session, depth, white, black;
  };
  const Case cases[] = {
      {false, {"go movetime 999"}, 99, 0, ANY, ANY, ANY, 99, 99},
      {false, {"go movetime 5"}, 1, ANY, ANY, ANY, ANY, ANY, ANY},
      {false, {"go depth 100"}, 0, 0, ANY, ANY, 60, 0, ANY},
      {false, {"go depth 65543"}, ANY, ANY, ANY, ANY, 7, ANY, ANY},  // 7 in 16 bits
      {false, {"go depth -3"}, ANY, ANY, ANY, ANY, 1, ANY, ANY},
      {false, {"go wtime 60000 btime 30000 movestogo 20"}, 600, 6000, 0, 20, 60, 6000, 3000},
      {false, {"go wtime 10000 btime 20000 winc 500 binc 300"}, 1000, 1000, 50, 0, ANY, ANY, ANY},
      {false, {"go nodes 1000"}, 0, 0, ANY, ANY, 60, 0, 0},  // a node limit alone has no clock
      {false, {"go mate 3 wtime 60000 btime 30000 movestogo 20"}, 600, 6000, 0, 20, 60, 6000, 3000},
      {false, {"go nodes x wtime 60000"}, 500, ANY, ANY, ANY, ANY, ANY, ANY},  // refused: unchanged
      {true, {"level 40 5 0"}, 1500, 30000, 0, 40, ANY, 30000, 30000},
      {true, {"level 0 2:30 12"}, 15000, 15000, 1200, 0, ANY, ANY, ANY},
      {true, {"level 30 1"}, 500, 500, ANY, ANY, ANY, ANY, ANY},  // three numbers or nothing changes
      {true, {"level 0 2 0.5"}, 12000, 12000, 50, 0, ANY, ANY, ANY},
      {true, {"level 0 0:00 0.005"}, 0, 0, 0, 0, 60, 0, 0},  // untimed until "time" reports a clock
      {true, {"st 10"}, 1000, 0, 0, 0, 60, ANY, 1000},
      {true, {"st 0"}, 1, ANY, ANY, ANY, ANY, ANY, ANY},
      {true, {"sd 99"}, 500, ANY, ANY, ANY, 60, ANY, ANY},  // the depth limit keeps the control
      {true, {"sd 4"}, ANY, ANY, ANY, ANY, 4, ANY, ANY},
      {true, {"level 0 0:00 0.005", "time 50", "otim 60"}, 50, 50, ANY, ANY, ANY, 60, 50},
      {true, {"level 40 0 0", "time 800"}, 40, 800, ANY, ANY, ANY, 800, 800},
      {true, {"level 0 0 0", "time 50", "time 30"}, 50, 50, ANY, ANY, ANY, 50, 30},
      {true, {"level 0 0 0", "time 0", "time -5"}, 0, 0, ANY, ANY, ANY, 0, -5},
      {true, {"level 0 0 0", "sd 5", "time 50"}, 50, 50, ANY, ANY, 5, 50, 50},
      {true, {"level 0 2 0", "sd 30"}, 12000, 12000, 0, 0, 30, ANY, ANY},
      {true, {"level 0 0 0", "st 1", "time 50"}, 100, 0, ANY, ANY, ANY, 100, 50},
      {true, {"level 0 1 0", "time 50"}, 6000, 6000, ANY, ANY, ANY, 6000, 50},
  };
  for (const Case& c : cases) {
    SetUp();
    engine.out.capturing = true;
    engine.engineFlags = c.xboard ? FLAG_XBOARD : FLAG_UCI | FLAG_POST;
    for (const char* line : c.commands) c.xboard ? handleXboardCommand(engine, line) : handleUciCommand(engine, line);
    engine.out.captured.clear();
    const int actual[] = {engine.timeControl.timePerMove,    engine.timeControl.baseTime,
                          engine.timeControl.increment,      engine.timeControl.movesPerSession,
                          engine.timeControl.maxSearchDepth, engine.timeControl.clockCs[WHITE],
                          engine.timeControl.clockCs[BLACK]};
    const int expected[] = {c.perMove, c.base, c.inc, c.session, c.depth, c.white, c.black};
    for (int i = 0; i < 7; ++i) {
      if (expected[i] != ANY) {
        EXPECT_EQ(actual[i], expected[i]) << c.commands.back() << ", field " << i;
      }
    }
  }
}

TEST_F(ClockSettings, GoDuringASearchIsIgnored) {
  engine.thinking = true;
  handleUciCommand(engine, "go movetime 4000");
  engine.thinking = false;
  EXPECT_EQ(engine.game.pendingCommand, CMD_NONE);
  EXPECT_EQ(engine.timeControl.timePerMove, 500);
}

// With an engine side "time" is the engine's clock, "otim" the opponent's.
TEST_F(ClockSettings, XboardTimeWithAnEngineSide) {
  engine.engineFlags = FLAG_XBOARD;
  handleXboardCommand(engine, "level 0 5 0");
  engine.game.engineSide = BLACK;
  handleXboardCommand(engine, "time 1950");
  handleXboardCommand(engine, "otim 777");
  EXPECT_EQ(engine.timeControl.clockCs[BLACK], 1950);
  EXPECT_EQ(engine.timeControl.clockCs[WHITE], 777);
}

// Numbers far beyond any real control are bounded before the allotment works with
// them; the sanitizer build reports any overflow the allotment would still make. Nor
// does a move ever take more time than the clock shows, however little is left.
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
      {FLAG_UCI, {"go wtime 30 btime 200000"}},
      {FLAG_UCI, {"go wtime 160 btime 2000 winc 100 binc 100"}},
      {FLAG_UCI, {"go wtime 2000 btime 200000 movestogo 40"}},
      {FLAG_UCI, {"go wtime 1000 btime 1000 winc 2000 binc 2000"}},
  };
  for (const auto& test : cases) {
    engine.engineFlags = test.protocol;
    engine.tt.recentRootScores[0] = -MATE_SCORE;
    for (const char* command : test.commands) {
      if (command == nullptr) continue;
      if (test.protocol == FLAG_UCI) {
        handleUciCommand(engine, command);
      } else {
        handleXboardCommand(engine, command);
      }
    }
    SCOPED_TRACE(test.commands[0]);
    for (int side : {WHITE, BLACK}) {
      EXPECT_LE(std::abs(engine.timeControl.clockCs[side]), MAX_CLOCK_CS);
      allocateTime(engine, side, 0);
      EXPECT_GT(engine.timeControl.timePerMove, 0);
      EXPECT_LE(engine.timeControl.timePerMove, std::max(engine.timeControl.clockCs[side], 1));
      EXPECT_GT(engine.allotment.targetTime, 0);
    }
    EXPECT_LE(engine.timeControl.increment, MAX_INCREMENT_CS);
    EXPECT_LE(engine.timeControl.movesPerSession, MAX_MOVES_TO_GO);
    EXPECT_LE(engine.timeControl.timePerMove, MAX_CLOCK_CS);
    setDefaultTimeControl(engine);
  }
}

}  // namespace

}  // namespace velt
