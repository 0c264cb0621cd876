#include "eval/material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "eval/eval_data.h"
#include "support/board_setup.h"

namespace velt {

namespace {

TEST(MaterialTable, EndgameFlags) {
  struct Case {
    const char* fen;
    std::uint32_t flags;
  };
  constexpr std::uint32_t LOW = MATERIAL_LOW_WHITE | MATERIAL_LOW_BLACK;
  for (const Case& c : {
           Case{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0},
           Case{"4k3/8/8/8/8/8/8/4K3 w - -", LOW},
           Case{"4k3/8/8/8/8/8/P7/2B1K3 w - -", LOW | MATERIAL_WRONG_BISHOP},
           Case{"4kb2/p7/8/8/8/8/P7/2B1K3 w - -", LOW | MATERIAL_BISHOPS_ONLY},
           Case{"4k3/8/8/8/8/8/8/1NB1K3 w - -", LOW | MATERIAL_BISHOP_KNIGHT},
           Case{"1nb1k3/8/8/8/8/8/7P/4K3 w - -", LOW | MATERIAL_BISHOP_KNIGHT},
           Case{"r3k3/8/8/8/8/8/8/R2QK2R w - -", MATERIAL_LOW_BLACK},
           // Three knights lie outside the table: the fallback gives no wrong-bishop flag.
           Case{"nnn1k3/8/8/8/8/8/PPPPPPP1/2B1K3 w - -", LOW},
       }) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(entryFlags(materialEntry(pos->evalData->material, *pos)), c.flags) << c.fen;
  }
}

// A configuration by the table index's digits: queens, rooks, bishops, knights
// (base 3), pawns (base 9), white's digit before black's.
constexpr int DIGITS = 10;
constexpr int radix[DIGITS] = {3, 3, 3, 3, 3, 3, 3, 3, 9, 9};
constexpr int units[DIGITS] = {10, -10, 5, -5, 3, -3, 3, -3, 1, -1};

struct Configuration {
  int digit[DIGITS];
  explicit Configuration(int index) {
    for (int i = 0; i < DIGITS; ++i, index /= radix[i - 1]) digit[i] = index % radix[i];
  }
  int index(bool coloursExchanged) const {
    int index = 0;
    for (int i = DIGITS - 1; i >= 0; --i) index = index * radix[i] + digit[coloursExchanged ? i ^ 1 : i];
    return index;
  }
  int balance() const {
    int sum = 0;
    for (int i = 0; i < DIGITS; ++i) sum += units[i] * digit[i];
    return sum;
  }
  // Pieces of difference in minors or in majors (a queen counts as two majors).
  int pieceDifference() const {
    const int minors = digit[4] + digit[6] - digit[5] - digit[7];
    const int majors = 2 * digit[0] + digit[2] - 2 * digit[1] - digit[3];
    return std::max({std::abs(minors), std::abs(majors), 1});
  }
};

// Every option at one end of its range (the engine's limits) with a given importance.
MaterialSettings settingsAtLimit(int sign, int importance) {
  return {importance, 100 * sign, 100 * sign, 30 * sign, 100 * sign, 100 * sign, 60 * sign};
}

// Weight of the balance in the adjustment by importance (the default weighs 199).
struct Importance {
  int importance;
  int weight;
};
constexpr Importance importances[] = {{0, 199}, {100, 519}, {-100, -121}};

// A table of the test's own, rebuilt per case.
class MaterialData : public ::testing::Test {
 protected:
  void TearDown() override { releaseMaterialTable(table); }
  void rebuild(const MaterialSettings& settings) {
    releaseMaterialTable(table);
    ASSERT_TRUE(buildMaterialTable(table, settings));
  }
  int adjustment(int index) const { return entryAdjustment(table.entries[index]); }
  std::vector<int> adjustments() const {
    std::vector<int> values(MATERIAL_TABLE_SIZE);
    for (int i = 0; i < MATERIAL_TABLE_SIZE; ++i) values[i] = adjustment(i);
    return values;
  }

  MaterialTable table;
};

TEST_F(MaterialData, ColourReversalNegatesEveryConfiguration) {
  // Positions beyond the table (promoted men) take the fallback; seven queens at the
  // highest importance are worth more than 16 bits hold and must saturate, not wrap
  // round to the other side's favour.
  const char* const sevenQueens = "6nk/6pp/8/8/8/Q7/QQQ5/QQKQ4 w - -";
  const char* const beyondTable[] = {sevenQueens, "nnn1k3/pp6/8/8/8/8/8/R3K3 w - -"};
  struct Case {
    MaterialSettings settings;
    int sevenQueensSign;
  };
  for (const Case& c : {Case{{}, 1}, Case{settingsAtLimit(1, 100), 1}, Case{settingsAtLimit(-1, -100), -1}}) {
    rebuild(c.settings);
    for (int index = 0; index < MATERIAL_TABLE_SIZE; ++index) {
      const int reversed = Configuration(index).index(true);
      ASSERT_EQ(adjustment(reversed), -adjustment(index)) << index;
    }
    for (const char* fen : beyondTable) {
      const int value = entryAdjustment(computeMaterialEntry(table, *positionFromFen(fen)));
      EXPECT_EQ(entryAdjustment(computeMaterialEntry(table, *positionFromFen(flipFen(fen).c_str()))), -value) << fen;
      if (fen == sevenQueens) {
        EXPECT_GT(value * c.sevenQueensSign, 0);
      }
    }
  }
}

TEST_F(MaterialData, BishopAgainstKnightRowsAreExact) {
  rebuild({});
  constexpr int rows[2][9] = {{0, 2766, 1161, 1455, 1749, 2043, 2337, 2631, 2925},
                              {-2502, 120, 777, 1071, 1365, 1659, 1953, 2247, 2541}};
  for (int whitePawns = 0; whitePawns < 2; ++whitePawns) {
    for (int blackPawns = 0; blackPawns < 9; ++blackPawns) {
      Configuration c(0);
      c.digit[4] = 1;  // white bishop
      c.digit[7] = 1;  // black knight
      c.digit[8] = whitePawns;
      c.digit[9] = blackPawns;
      const int grid = adjustment(c.index(false)) - 199 * c.balance();
      EXPECT_EQ(grid, rows[whitePawns][blackPawns]) << whitePawns << " " << blackPawns;
      EXPECT_EQ(adjustment(c.index(true)), -adjustment(c.index(false)));
    }
  }
}

// With the options at their limits an entry differs from the default one by the
// importance's share of the balance and at most 100 centipawns a piece of difference;
// a value wrapped round the 16 bits would be some 2^16 away.
TEST_F(MaterialData, OptionsAtTheirLimitsStayInRange) {
  rebuild({});
  const std::vector<int> plain = adjustments();
  for (const Importance& importance : importances) {
    for (int sign : {1, -1}) {
      rebuild(settingsAtLimit(sign, importance.importance));
      for (int index = 0; index < MATERIAL_TABLE_SIZE; ++index) {
        const Configuration c(index);
        const int options = adjustment(index) - plain[index] -
                            (importance.weight - importances[0].weight) * c.balance();
        ASSERT_LE(std::abs(options), 3200 * c.pieceDifference()) << index << " " << importance.importance;
      }
    }
  }
}

}  // namespace

}  // namespace velt
