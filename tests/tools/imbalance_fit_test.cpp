// The imbalance grid's fit, run as tools/tune_imbalance runs it on the sample of the
// corpus kept in data/: what it writes keeps the telling blocks exactly and is
// colour-symmetric, and on the sample's held-out games it predicts the results no
// worse than the grid the engine is built with.
#include "common/imbalance_fit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "eval/pawns.h"
#include "search/engine_core.h"

namespace velt {

namespace {

constexpr int HOLD_OUT_EVERY = 10;
// The settings the committed grid was made with (its first line names them).
constexpr FitSettings COMMITTED_SETTINGS{3, 1.0};

class ImbalanceFit : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::array<ImbalanceBlock, 2> telling = tellingBlocks();
    const auto engine = std::make_unique<EngineCore>();
    ASSERT_TRUE(buildMaterialTableFrom(engine->evalData.material, {telling.data(), 2, nullptr, 0}));
    ASSERT_TRUE(allocatePawnHash(engine->evalData));
    std::vector<ImbalanceSample> samples;
    int games = 0;
    ASSERT_TRUE(readImbalanceSamples(engine->gamePosition, VELT_SOURCE_DIR "/data/corpus_sample.pgn", 0, games, samples));
    ASSERT_GE(games, 50);
    for (const ImbalanceSample& s : samples) (s.game % HOLD_OUT_EVERY == 0 ? heldOut_ : fitted_).push_back(s);
    scales_ = fitScales(fitted_, 1);
    tables_ = imbalanceTables(fitImbalance(fitted_, scales_, COMMITTED_SETTINGS));
  }

  static std::vector<ImbalanceSample> fitted_, heldOut_;
  static Scales scales_;
  static ImbalanceTables tables_;
};

std::vector<ImbalanceSample> ImbalanceFit::fitted_, ImbalanceFit::heldOut_;
Scales ImbalanceFit::scales_;
ImbalanceTables ImbalanceFit::tables_;

TEST_F(ImbalanceFit, TellingBlocksStayExactAndTheGridIsColourSymmetric) {
  const std::array<ImbalanceBlock, 2> telling = tellingBlocks();
  ASSERT_GE(tables_.blocks.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(tables_.blocks[i].pieceIndex, telling[i].pieceIndex);
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) EXPECT_EQ(tables_.blocks[i].cells[w][b], telling[i].cells[w][b]);
    }
  }
  for (std::size_t i = 2; i < tables_.blocks.size(); ++i) EXPECT_FALSE(isTellingPiece(tables_.blocks[i].pieceIndex));
  for (const ImbalanceRecord& record : tables_.records) EXPECT_FALSE(isTellingPiece(record.pieceIndex));
  // Colour reversal negates every cell, exchanging the pawn counts; the fit moved
  // the grid away from zero, but not for a queen or a rook against a bare king.
  const std::vector<int> grid = gridOf(tables_.data());
  int nonZero = 0;
  for (int piece = 0; piece < PIECE_CONFIGURATIONS; ++piece) {
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) {
        ASSERT_EQ(grid[gridCell(piece, w, b)], -grid[gridCell(reversedPiece(piece), b, w)]) << piece << " " << w << b;
        nonZero += grid[gridCell(piece, w, b)] != 0;
      }
    }
  }
  EXPECT_GT(nonZero, GRID_CELLS / 2);
  constexpr int WHITE_QUEEN = 1, BLACK_ROOK = 12, NO_PIECE = 0;
  EXPECT_EQ(grid[gridCell(WHITE_QUEEN, 0, 0)], 0);
  EXPECT_EQ(grid[gridCell(WHITE_QUEEN, 3, 0)], 0);
  EXPECT_NE(grid[gridCell(WHITE_QUEEN, 3, 1)], 0);
  EXPECT_EQ(grid[gridCell(BLACK_ROOK, 0, 2)], 0);
  EXPECT_NE(grid[gridCell(NO_PIECE, 4, 0)], 0);  // pawns alone against a bare king
}

TEST_F(ImbalanceFit, HeldOutGamesArePredictedNoWorseThanByTheEnginesGrid) {
  ASSERT_FALSE(heldOut_.empty());
  const double withoutGrid = meanLoss(heldOut_, std::vector<int>(GRID_CELLS, 0), scales_);
  const double enginesGrid =
      meanLoss(heldOut_, gridOf({imbalanceBlocks, imbalanceBlockCount, imbalanceRecords, imbalanceRecordCount}), scales_);
  const double fitted = meanLoss(heldOut_, gridOf(tables_.data()), scales_);
  EXPECT_LT(fitted, withoutGrid);
  EXPECT_LE(fitted, enginesGrid);
  // The fit lowers the loss on its own games too.
  EXPECT_LT(meanLoss(fitted_, gridOf(tables_.data()), scales_), meanLoss(fitted_, std::vector<int>(GRID_CELLS, 0), scales_));
}

}  // namespace

}  // namespace velt
