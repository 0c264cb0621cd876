#include "egtb/syzygy.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/board_setup.h"
#include "support/book_files.h"
#include "support/engine_process.h"
#include "support/syzygy_positions.h"

namespace velt {

namespace {

struct LoadedTables {
  SyzygyTables tables;
  explicit LoadedTables(const std::string& path = TEST_SYZYGY_TABLES) {
    const SyzygyLoadReport report = loadSyzygy(tables, path);
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
  }
};

// Three-men verdicts agree with the engine's own tables, made by its generator: a win
// in one is a win in the other, and so are draws and losses.
TEST(Syzygy, ThreeMenVerdictsAgreeWithOwnTables) {
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

// Damaged files whose size and magic number pass the load: a WDL file with its header
// overwritten, one cut to whole lines before its blocks, and a distance file with its
// header overwritten. The library refuses each where a probe first reads it, as often
// as it is asked; the WDL file of the damaged distance file and the other tables serve.
TEST(Syzygy, DamagedFilesAreRefusedWhereFirstReadAndTheRestServes) {
  TempDirectory folder;
  for (const char* file : {"KQvK.rtbw", "KQvKR.rtbz", "KRvK.rtbz", "KPvK.rtbw", "KPvK.rtbz"}) {
    folder.writeFile(file, readWholeFile(TEST_SYZYGY_TABLES + "/" + file));
  }
  folder.writeFile("KQvKR.rtbw", damagedTableBytes(TEST_SYZYGY_TABLES + "/KQvKR.rtbw"));
  folder.writeFile("KQvK.rtbz", damagedTableBytes(TEST_SYZYGY_TABLES + "/KQvK.rtbz"));
  const std::string krk = readWholeFile(TEST_SYZYGY_TABLES + "/KRvK.rtbw");
  constexpr std::size_t ONE_LINE_AND_CHECKSUM = 64 + 16;
  ASSERT_GT(krk.size(), ONE_LINE_AND_CHECKSUM);
  folder.writeFile("KRvK.rtbw", krk.substr(0, ONE_LINE_AND_CHECKSUM));
  SyzygyTables tables;
  const SyzygyLoadReport report = loadSyzygy(tables, folder.path());
  EXPECT_TRUE(report.faults.empty()) << report.faults.front();
  EXPECT_EQ(report.files, 8);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SyzygyWdl wdl;
    SyzygyRoot root;
    const auto queenWin = positionFromFen("8/8/8/3k4/8/8/1Q6/K7 w - - 0 1");
    ASSERT_TRUE(probeSyzygyWdl(*queenWin, wdl));
    EXPECT_EQ(wdl, SyzygyWdl::WIN);
    EXPECT_FALSE(probeSyzygyRoot(*queenWin, root));
    EXPECT_FALSE(probeSyzygyWdl(*positionFromFen("8/8/8/3k4/8/8/1Q6/K6r w - - 0 1"), wdl));
    EXPECT_FALSE(probeSyzygyWdl(*positionFromFen("8/8/8/3k4/8/8/1R6/K7 b - - 0 1"), wdl));
    const auto pawnEnding = positionFromFen("8/8/8/8/3k4/8/3P4/3K4 w - - 0 1");
    ASSERT_TRUE(probeSyzygyRoot(*pawnEnding, root));
    EXPECT_EQ(root.wdl, SyzygyWdl::DRAW);
  }
}

TEST(Syzygy, ScoresLieBetweenEvaluationsAndMates) {
  EXPECT_EQ(syzygyScore(SyzygyWdl::WIN, 0, true, 0), SYZYGY_WIN_SCORE);
  EXPECT_EQ(syzygyScore(SyzygyWdl::WIN, MAX_PLY - 1, true, 0), SYZYGY_WIN_SCORE - MAX_PLY + 1);
  EXPECT_EQ(syzygyScore(SyzygyWdl::LOSS, 5, true, 0), 5 - SYZYGY_WIN_SCORE);
  // Shown as centipawns, below every mate.
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
