#include "eval/wdl.h"

#include <gtest/gtest.h>

#include <string>

#include "support/board_setup.h"

namespace velt {

namespace {

constexpr int SCORE_RANGE = 3000;  // centipawns either way, beyond any score not a mate

// For every material count of the table: the three chances are per mille and add up
// to 1000, and a score's triple is that of its negation reversed (the other side's
// view of the same position). Over the scores other than 0 the win never falls and
// the loss never rises as the score grows, from -1 straight to +1; 0, the draw score,
// shows no more win than any positive score and no more loss than any negative one,
// and the lead of win over loss never falls as the score grows, through 0 too. Mates
// and tablebase results are certain.
TEST(WinDrawLoss, MonotoneInTheScoreAndTheSameFromBothSides) {
  for (int material = 0; material <= WDL_MATERIAL_MAX; ++material) {
    SCOPED_TRACE(material);
    const WinDrawLoss drawScore = winDrawLoss(0, material);
    WinDrawLoss previous = winDrawLoss(-SCORE_RANGE - 1, material);
    int previousLead = previous.win - previous.loss;
    for (int score = -SCORE_RANGE; score <= SCORE_RANGE; ++score) {
      const WinDrawLoss wdl = winDrawLoss(score, material);
      ASSERT_TRUE(wdl.win >= 0 && wdl.draw >= 0 && wdl.loss >= 0) << score;
      ASSERT_EQ(wdl.win + wdl.draw + wdl.loss, 1000) << score;
      const WinDrawLoss other = winDrawLoss(-score, material);
      ASSERT_EQ(wdl.win, other.loss) << score;
      ASSERT_EQ(wdl.draw, other.draw) << score;
      ASSERT_GE(wdl.win - wdl.loss, previousLead) << score;
      previousLead = wdl.win - wdl.loss;
      if (score == 0) continue;
      ASSERT_GE(wdl.win, previous.win) << score;
      ASSERT_LE(wdl.loss, previous.loss) << score;
      ASSERT_GE(score > 0 ? wdl.win : wdl.loss, drawScore.win) << score;
      previous = wdl;
    }
    EXPECT_GT(previous.win, drawScore.win);  // the score matters
    const WinDrawLoss won = winDrawLoss(MATE_SCORE - 5, material), lost = winDrawLoss(-MATE_SCORE + 8, material);
    EXPECT_EQ(won.win, 1000);
    EXPECT_EQ(lost.loss, 1000);
  }
}

// A score of exactly 0 takes the draw chance of its own, win and loss sharing the rest;
// the scores beside it follow the logistic.
TEST(WinDrawLoss, TheDrawScoreHasADrawChanceOfItsOwn) {
  const WdlParameters parameters{100.0, 100.0, 0.9};
  const WinDrawLoss drawScore = winDrawLoss(parameters, 0), beside = winDrawLoss(parameters, 1);
  EXPECT_EQ(drawScore.draw, 900);
  EXPECT_EQ(drawScore.win, 50);
  EXPECT_EQ(beside.win, 271);
  EXPECT_EQ(beside.loss, 267);
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
