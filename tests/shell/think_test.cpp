// The resign rule of the move decision.
#include "shell/think.h"

#include <gtest/gtest.h>

#include "search/search_state.h"
#include "shell/game_state.h"

namespace {

TEST(Think, ResignsOnTheThirdLowScoreWhileTheOpponentHasTime) {
  movesPerSession = 40;
  increment = 0;
  resignCount = 0;
  EXPECT_FALSE(applyResignRule(-801, 30000, 20));
  EXPECT_FALSE(applyResignRule(-900, 30000, 22));
  EXPECT_TRUE(applyResignRule(-801, 30000, 24));  // 40 - 12 = 28 moves left; 30000 / 28 > 500
  // Not while the opponent's time per move plus increment is 500 or less.
  resignCount = 2;
  EXPECT_FALSE(applyResignRule(-1000, 14000, 24));
  resignCount = 2;
  increment = 200;
  EXPECT_TRUE(applyResignRule(-1000, 14000, 24));  // 500 + 200
}

TEST(Think, ScoreOfMinus800ResetsTheCount) {
  movesPerSession = 40;
  increment = 0;
  resignCount = 0;
  EXPECT_FALSE(applyResignRule(-801, 30000, 20));
  EXPECT_FALSE(applyResignRule(-801, 30000, 22));
  EXPECT_FALSE(applyResignRule(-800, 30000, 24));
  EXPECT_EQ(resignCount, 0);
  EXPECT_FALSE(applyResignRule(-801, 30000, 26));
  EXPECT_FALSE(applyResignRule(-801, 30000, 28));
  EXPECT_TRUE(applyResignRule(-801, 30000, 30));
}

TEST(Think, NeverResignsWithoutMovesPerSession) {
  movesPerSession = 0;
  increment = 0;
  resignCount = 5;
  EXPECT_FALSE(applyResignRule(-3000, 300000, 24));
}

}  // namespace
