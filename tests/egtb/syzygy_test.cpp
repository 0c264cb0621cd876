#include "egtb/syzygy.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "support/board_setup.h"
#include "support/syzygy_positions.h"

namespace velt {

namespace {

const std::string TABLES = VELT_SOURCE_DIR "/tests/egtb/data/syzygy";

struct LoadedTables {
  SyzygyTables tables;
  explicit LoadedTables(const std::string& path = TABLES) {
    const SyzygyLoadReport report = loadSyzygy(tables, path);
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
  }
};

// Three-men verdicts agree with the engine's own tables, made by its generator: a win
// in one is a win in the other, and so are draws and losses.
TEST(Syzygy, ThreeMenVerdictsAgreeWithOwnTables) {
  if (!syzygyAvailable()) GTEST_SKIP() << "built without Syzygy";
  LoadedTables loaded;
  std::mt19937 random(36);
  for (const auto& [ownClass, men] : {std::pair{"kqk", "KQk"}, {"krk", "KRk"}, {"kpk", "KPk"}}) {
    expectVerdictsAgreeWithOwnTable(ownClass, men, 100, random);
  }
}

// A four-men verdict is the best of its moves' verdicts, the moves coming from the
// engine's generator and the children probed through the same layer: the board is
// handed over faithfully whoever is to move.
TEST(Syzygy, FourMenVerdictsFollowFromTheirMoves) {
  if (!syzygyAvailable()) GTEST_SKIP() << "built without Syzygy";
  LoadedTables loaded;
  std::mt19937 random(3636);
  int wins = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string fen = randomPlacementFen("KQkr", i % 2 == 0 ? WHITE : BLACK, random);
    auto pos = positionFromFen(fen.c_str());
    SyzygyWdl wdl, expected;
    ASSERT_TRUE(probeSyzygyWdl(*pos, wdl)) << fen;
    ASSERT_TRUE(verdictByMoves(*pos, expected)) << fen;
    EXPECT_EQ(effectiveWdl(wdl, false), expected) << fen;
    wins += wdl == SyzygyWdl::WIN;
  }
  EXPECT_GT(wins, 50);
}

TEST(Syzygy, ScoresLieBetweenEvaluationsAndMates) {
  EXPECT_EQ(syzygyScore(SyzygyWdl::WIN, 0, true, 0), SYZYGY_WIN_SCORE);
  EXPECT_EQ(syzygyScore(SyzygyWdl::WIN, MAX_PLY - 1, true, 0), SYZYGY_WIN_SCORE - MAX_PLY + 1);
  EXPECT_EQ(syzygyScore(SyzygyWdl::LOSS, 5, true, 0), 5 - SYZYGY_WIN_SCORE);
  // A mate at the deepest ply still outranks the nearest Syzygy win; shown as centipawns.
  EXPECT_GT(MATE_SCORE - MAX_PLY, MATE_BOUND);
  EXPECT_LT(syzygyScore(SyzygyWdl::WIN, 0, true, 0), MATE_BOUND);
  EXPECT_GT(syzygyScore(SyzygyWdl::LOSS, 0, true, 0), -MATE_BOUND);
  // The fifty-move rule turns cursed wins and blessed losses into the draw score.
  EXPECT_EQ(syzygyScore(SyzygyWdl::CURSED_WIN, 3, true, 7), 7);
  EXPECT_EQ(syzygyScore(SyzygyWdl::BLESSED_LOSS, 3, true, -7), -7);
  EXPECT_EQ(syzygyScore(SyzygyWdl::CURSED_WIN, 3, false, 7), SYZYGY_WIN_SCORE - 3);
  EXPECT_EQ(syzygyScore(SyzygyWdl::BLESSED_LOSS, 3, false, 7), 3 - SYZYGY_WIN_SCORE);
  EXPECT_EQ(syzygyScore(SyzygyWdl::DRAW, 3, false, 7), 7);
}

// Ranks: the verdict first; among wins the shorter way to zeroing, among losses the
// longer; without progress every move of the verdict ranks alike.
TEST(Syzygy, RootRankPrefersVerdictThenProgress) {
  const SyzygyMoveOutcome fastWin{0, 1, 0, SyzygyWdl::WIN, 3}, slowWin{0, 2, 0, SyzygyWdl::WIN, 90};
  const SyzygyMoveOutcome cursed{0, 3, 0, SyzygyWdl::CURSED_WIN, 1}, draw{0, 4, 0, SyzygyWdl::DRAW, 0};
  const SyzygyMoveOutcome fastLoss{0, 5, 0, SyzygyWdl::LOSS, 2}, slowLoss{0, 6, 0, SyzygyWdl::LOSS, 40};
  EXPECT_GT(syzygyRank(fastWin, true, true), syzygyRank(slowWin, true, true));
  EXPECT_EQ(syzygyRank(fastWin, true, false), syzygyRank(slowWin, true, false));
  EXPECT_GT(syzygyRank(slowWin, true, true), syzygyRank(cursed, true, true));
  EXPECT_GT(syzygyRank(cursed, true, true), syzygyRank(draw, true, true));
  EXPECT_GT(syzygyRank(cursed, false, true), syzygyRank(slowWin, false, true));
  EXPECT_GT(syzygyRank(slowLoss, true, true), syzygyRank(fastLoss, true, true));
  EXPECT_GT(syzygyRank(draw, true, true), syzygyRank(slowLoss, true, true));
}

}  // namespace

}  // namespace velt
