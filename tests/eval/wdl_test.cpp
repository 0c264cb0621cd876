#include "eval/wdl.h"

#include <gtest/gtest.h>

#include <string>

#include "support/board_setup.h"

namespace velt {

namespace {

constexpr int SCORE_RANGE = 3000;  // centipawns either way, beyond any score not a mate

// For every material count of the table: the three chances are per mille and add up
// to 1000, the win never falls and the loss never rises as the score grows, and a
// score's triple is that of its negation reversed (the other side's view of the same
// position). Mates and tablebase results are certain.
TEST(WinDrawLoss, MonotoneInTheScoreAndTheSameFromBothSides) {
  for (int material = 0; material <= WDL_MATERIAL_MAX; ++material) {
    SCOPED_TRACE(material);
    WinDrawLoss previous = winDrawLoss(-SCORE_RANGE - 1, material);
    for (int score = -SCORE_RANGE; score <= SCORE_RANGE; ++score) {
      const WinDrawLoss wdl = winDrawLoss(score, material);
      ASSERT_TRUE(wdl.win >= 0 && wdl.draw >= 0 && wdl.loss >= 0) << score;
      ASSERT_EQ(wdl.win + wdl.draw + wdl.loss, 1000) << score;
      ASSERT_GE(wdl.win, previous.win) << score;
      ASSERT_LE(wdl.loss, previous.loss) << score;
      const WinDrawLoss other = winDrawLoss(-score, material);
      ASSERT_EQ(wdl.win, other.loss) << score;
      ASSERT_EQ(wdl.draw, other.draw) << score;
      previous = wdl;
    }
    EXPECT_GT(previous.win, winDrawLoss(0, material).win);  // the score matters
    const WinDrawLoss won = winDrawLoss(MATE_SCORE - 5, material), lost = winDrawLoss(-MATE_SCORE + 8, material);
    EXPECT_EQ(won.win, 1000);
    EXPECT_EQ(lost.loss, 1000);
  }
}

// The material that picks the parameters counts both sides alike, so a position and
// its colour reversal get the same chances for the side to move.
TEST(WinDrawLoss, MaterialIsColourBlind) {
  for (const std::string fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                                "r3k3/1pp5/8/8/8/8/PP6/2BQK2R b - -", "4k3/8/8/8/8/8/8/4K3 w - -",
                                "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - -"}) {
    const auto pos = positionFromFen(fen.c_str());
    const auto reversed = positionFromFen(flipFen(fen).c_str());
    EXPECT_EQ(wdlMaterial(*pos), wdlMaterial(*reversed)) << fen;
  }
  EXPECT_EQ(wdlMaterial(*positionFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -")), WDL_MATERIAL_MAX);
  EXPECT_EQ(wdlMaterial(*positionFromFen("r3k3/1pp5/8/8/8/8/PP6/2BQK2R b - -")), 5 + 2 + 2 + 3 + 9 + 5);
  EXPECT_EQ(wdlMaterial(*positionFromFen("qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ w - -")), WDL_MATERIAL_MAX);  // capped
}

}  // namespace

}  // namespace velt
