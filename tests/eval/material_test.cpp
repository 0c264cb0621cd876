#include "eval/material.h"

#include <gtest/gtest.h>

#include "shell/options.h"
#include "support/board_setup.h"

namespace {

int entryValue(const Position& pos, std::uint32_t entry) { return keyBalance(pos.materialKey) * 3200 + entryAdjustment(entry); }

// Rebuilds the table with the given importance and imbalance options, then
// restores them (and the table) when the test ends.
class MaterialOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    prepareBoardTables();
    saved_ = options;
  }
  void TearDown() override {
    options = saved_;
    rebuild();
  }
  static void rebuild() {
    releaseMaterialTable();
    ASSERT_TRUE(buildMaterialTable(materialSettings()));
  }
  void setAllOptions(int value) {
    options.minorVsPawnsScore = options.rookVsPawnsScore = options.rookVsMinorScore = value;
    options.twoMinorsVsRookScore = options.threeMinorsVsQueenScore = options.twoRooksVsQueenScore = value;
  }

 private:
  EngineOptions saved_;
};

TEST_F(MaterialOptions, StartPositionEntry) {
  auto pos = positionFromFen(nullptr);
  EXPECT_EQ(pos->materialKey & 0xFFFFFF, 531436u);
  const std::uint32_t entry = materialEntry(*pos);
  EXPECT_EQ(keyBalance(pos->materialKey), 0);
  EXPECT_EQ(entryPhase(entry), 64);
  EXPECT_EQ(entryFlags(entry), 0u);
}

TEST_F(MaterialOptions, BareKings) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(pos->materialKey & 0xFFFFFF, 0u);
  const std::uint32_t entry = materialEntry(*pos);
  EXPECT_EQ(entryPhase(entry), 0);
  EXPECT_EQ(entryFlags(entry), MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK);
  EXPECT_EQ(entryAdjustment(entry), 0);
}

TEST_F(MaterialOptions, CleanKnightUpWithOptionsOff) {
  setAllOptions(0);
  options.materialImportance = 0;
  rebuild();
  auto pos = positionFromFen("4k3/8/8/8/8/8/8/3NK3 w - -");
  EXPECT_EQ(entryValue(*pos, materialEntry(*pos)), 3 * (3200 + 199));
  options.minorVsPawnsScore = 10;
  rebuild();
  EXPECT_EQ(entryValue(*pos, materialEntry(*pos)), 3 * (3200 + 199) + 32 * 10);
}

TEST_F(MaterialOptions, ImportanceScalesTheBalance) {
  options.materialImportance = 100;
  rebuild();
  auto pos = positionFromFen("4k3/8/8/8/8/8/4P3/4K3 w - -");
  EXPECT_EQ(entryAdjustment(materialEntry(*pos)), 519);
}

TEST_F(MaterialOptions, ImbalanceOptionsByConfiguration) {
  setAllOptions(0);
  options.materialImportance = 0;
  options.rookVsMinorScore = 7;
  options.twoMinorsVsRookScore = 11;
  options.threeMinorsVsQueenScore = 13;
  options.twoRooksVsQueenScore = 17;
  rebuild();
  struct Case {
    const char* fen;
    int imbalance;
  };
  // Rook against minor, two minors against rook, three minors against queen,
  // queen against two rooks, each seen from both sides.
  for (const Case& c : {Case{"4k3/8/8/8/8/8/8/R3K1n1 w - -", 7}, Case{"r3k1N1/8/8/8/8/8/8/4K3 w - -", -7},
                        Case{"r3k3/8/8/8/8/8/8/1N2K1N1 w - -", 11}, Case{"4k3/8/8/8/8/8/8/1NB1KB2 w - q", 0},
                        Case{"q3k3/8/8/8/8/8/8/1NB1KB2 w - -", 13}, Case{"r3k2r/8/8/8/8/8/8/3QK3 w - -", 17}}) {
    auto pos = positionFromFen(c.fen);
    const int balance = keyBalance(pos->materialKey);
    EXPECT_EQ(entryAdjustment(materialEntry(*pos)), 32 * c.imbalance + 199 * balance) << c.fen;
  }
}

TEST_F(MaterialOptions, BishopAgainstKnightBlocks) {
  options.materialImportance = 0;
  rebuild();
  // A lone bishop against knight and pawn gets 2766 of the pawn back; the reversed
  // configuration the same with the sign turned.
  auto pos = positionFromFen("4k3/4p3/8/8/8/8/8/2B1K1n1 w - -");
  EXPECT_EQ(entryValue(*pos, materialEntry(*pos)), -3200 - 199 + 2766);
  pos = positionFromFen("4k1b1/8/8/8/8/8/4P3/4K1N1 w - -");
  EXPECT_EQ(entryValue(*pos, materialEntry(*pos)), 3200 + 199 - 2766);
}

TEST(ImbalanceBlocks, ReversedConfigurationIsTheNegatedTranspose) {
  const ImbalanceBlock* bishopKnight = nullptr;
  const ImbalanceBlock* knightBishop = nullptr;
  for (int i = 0; i < imbalanceBlockCount; ++i) {
    if (imbalanceBlocks[i].pieceIndex == 1008) bishopKnight = &imbalanceBlocks[i];
    if (imbalanceBlocks[i].pieceIndex == 432) knightBishop = &imbalanceBlocks[i];
  }
  ASSERT_TRUE(bishopKnight && knightBishop);
  for (int w = 0; w < 9; ++w) {
    for (int b = 0; b < 9; ++b) EXPECT_EQ(knightBishop->cells[w][b], -bishopKnight->cells[b][w]) << w << " " << b;
  }
}

TEST_F(MaterialOptions, EndgameFlags) {
  struct Case {
    const char* fen;
    std::uint32_t flags;
  };
  for (const Case& c : {
           Case{"4k3/8/8/8/8/8/P7/2B1K3 w - -", MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK | MATERIAL_WRONG_BISHOP},
           Case{"4kb2/p7/8/8/8/8/P7/2B1K3 w - -", MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK | MATERIAL_BISHOPS_ONLY},
           Case{"4k3/8/8/8/8/8/8/1NB1K3 w - -", MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK | MATERIAL_BISHOP_KNIGHT},
           Case{"1nb1k3/8/8/8/8/8/7P/4K3 w - -", MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK | MATERIAL_BISHOP_KNIGHT},
           Case{"r3k3/8/8/8/8/8/8/R2QK2R w - -", MATERIAL_LOW_BLACK},
       }) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(entryFlags(materialEntry(*pos)), c.flags) << c.fen;
  }
}

TEST_F(MaterialOptions, ThreeKnightsUseTheFallback) {
  options.materialImportance = 0;
  rebuild();
  auto pos = positionFromFen("4kb2/8/8/8/8/8/8/1NNNK1B1 w - -");
  const std::uint32_t entry = materialEntry(*pos);
  EXPECT_EQ(entry, computeMaterialEntry(*pos));
  EXPECT_EQ(entryFlags(entry), MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK);
  EXPECT_EQ(entryPhase(entry), 15);
  // dMin = 3, dMaj = 0 and no major piece: no imbalance, only the balance term.
  EXPECT_EQ(entryAdjustment(entry), 199 * 9);
  // White ahead with a lone bishop and pawns against three knights: the table's
  // wrong-bishop flag is not given by the fallback.
  pos = positionFromFen("nnn1k3/8/8/8/8/8/PPPPPPP1/2B1K3 w - -");
  EXPECT_EQ(keyBalance(pos->materialKey), 1);
  EXPECT_EQ(entryFlags(materialEntry(*pos)), MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK);
  // With rooks on the board the extra minors count: 128 x 3 x weight(phase 19) / 256.
  pos = positionFromFen("r3k3/8/8/8/8/8/7P/NNNRK3 w - -");
  EXPECT_EQ(entryAdjustment(materialEntry(*pos)), 128 * 3 * 128 / 256 * 32 + 199 * 10);
}

}  // namespace
