// The result check after a move of the game: the line printed with the engine's
// side, gameOver, and the "#" in the record at mate.
#include "shell/result.h"

#include <gtest/gtest.h>

#include <string>

#include "board/coordinate.h"
#include "board/position.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"

namespace {

class Result : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appReady()) {
      ASSERT_TRUE(initApp());
    }
  }
  void setUp(const char* fen) { ASSERT_TRUE(startGame(fen, false)); }
  void play(const char* text) {
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(gamePosition, text, move)) << text;
    ASSERT_TRUE(makeGameMove(move)) << text;
  }
  std::string check() {
    testing::internal::CaptureStdout();
    checkGameResult();
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(Result, MateEndsTheGameAndMarksTheLastMove) {
  setUp("6k1/5ppp/8/8/8/8/8/R5K1 w - -");
  engineSide = WHITE;
  play("a1a8");
  EXPECT_STREQ(moveHistory[0], "Ra8+");
  EXPECT_EQ(check(), "1-0 {Computer wins}\n");
  EXPECT_TRUE(gameOver);
  EXPECT_STREQ(moveHistory[0], "Ra8#");
}

TEST_F(Result, MateTextFollowsTheEngineSide) {
  setUp("");
  for (const char* move : {"f2f3", "e7e5", "g2g4", "d8h4"}) play(move);
  engineSide = WHITE;
  EXPECT_EQ(check(), "0-1 {You win}\n");
  engineSide = NO_PIECE;
  EXPECT_EQ(check(), "0-1 {Black wins}\n");
}

TEST_F(Result, GameGoesOnWithoutAResult) {
  setUp("");
  play("e2e4");
  EXPECT_EQ(check(), "");
  EXPECT_FALSE(gameOver);
}

TEST_F(Result, InsufficientMaterialDoesNotEndTheGame) {
  setUp("4k3/8/8/8/8/8/8/4KN2 w - -");
  // No line while the last score is the mate score a new game starts with.
  EXPECT_EQ(check(), "");
  recentRootScores[0] = 0;
  EXPECT_EQ(check(), "1/2-1/2 {Insufficient material}\n");
  EXPECT_FALSE(gameOver);
}

}  // namespace
