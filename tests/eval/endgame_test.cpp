#include "eval/endgame.h"

#include <gtest/gtest.h>

#include "support/eval_setup.h"

namespace {

bool wrongBishop(const char* fen, int material) { return isWrongBishopDraw(setUpEvalPosition(fen), material); }

TEST(WrongBishop, LightBishopCannotDriveTheKingFromTheDarkCorner) {
  // Black is ahead with a light-squared bishop (c4) and a-pawns; the white king holds b1.
  EXPECT_TRUE(wrongBishop("8/8/8/k7/p1b5/p7/8/1K6 w - -", -9000));
  // With a dark-squared bishop (d4) the corner falls.
  EXPECT_FALSE(wrongBishop("8/8/8/k7/p2b4/p7/8/1K6 w - -", -9000));
  // The king outside the corner, or a pawn off the a-file: no draw.
  EXPECT_FALSE(wrongBishop("8/8/8/k7/p1b5/p7/8/2K5 w - -", -9000));
  EXPECT_FALSE(wrongBishop("8/8/8/k7/p1b5/1p6/8/1K6 w - -", -9000));
}

TEST(WrongBishop, DarkSquaredCounterpartOnTheHFile) {
  // Black h-pawns queen on h1, a light square: the dark-squared bishop is the wrong one.
  EXPECT_TRUE(wrongBishop("8/8/8/7k/3b3p/8/6K1/8 w - -", -6000));
  EXPECT_FALSE(wrongBishop("8/8/8/7k/4b2p/8/6K1/8 w - -", -6000));
  // White with h-pawns queens on h8 (dark): a light-squared bishop is wrong.
  EXPECT_FALSE(wrongBishop("6k1/8/8/7P/8/8/1B6/K7 w - -", 6000));
  EXPECT_TRUE(wrongBishop("6k1/8/8/7P/8/8/2B5/K7 w - -", 6000));
  // A bishop without pawns cannot win either corner it does not control.
  EXPECT_TRUE(wrongBishop("k7/8/8/8/8/8/8/2B3K1 w - -", 3200));
  EXPECT_FALSE(wrongBishop("k7/8/8/8/8/8/8/1B4K1 w - -", 3200));
}

TEST(OppositeBishops, BySquareColour) {
  EXPECT_FALSE(bishopsOfOppositeColour(setUpEvalPosition("4k3/8/3b4/8/8/4B3/8/4K3 w - -")));
  EXPECT_TRUE(bishopsOfOppositeColour(setUpEvalPosition("4k3/8/3b4/8/8/3B4/8/4K3 w - -")));
}

int mateTerm(const char* fen, int egScore) {
  Position& pos = setUpEvalPosition(fen);
  EvalState st = freshEvalState(pos);
  return bishopKnightMateTerm(pos, st, egScore);
}

TEST(BishopKnightMate, DrivesTheKingToTheBishopsCorner) {
  // Dark-squared bishop (c1): a1 and h8 are worth 19200, a8 and h1 10240; kings two apart.
  EXPECT_EQ(mateTerm("8/8/8/8/8/2K5/8/k1B1N3 w - -", 1), -2 * 1024 + 19200);
  EXPECT_EQ(mateTerm("7k/8/5K2/8/8/8/8/2B1N3 w - -", 1), -2 * 1024 + 19200);
  EXPECT_EQ(mateTerm("k7/8/2K5/8/8/8/8/2B1N3 w - -", 1), -2 * 1024 + 10240);
  // Light-squared bishop (d1): the other way round.
  EXPECT_EQ(mateTerm("k7/8/2K5/8/8/8/8/3BN3 w - -", 1), -2 * 1024 + 19200);
  EXPECT_EQ(mateTerm("8/8/8/8/8/2K5/8/k2BN3 w - -", 1), -2 * 1024 + 10240);
  // Black strong: the term is subtracted.
  EXPECT_EQ(mateTerm("K1b1n3/8/2k5/8/8/8/8/8 b - -", -1), -(-2 * 1024 + 19200));
}

TEST(DrawishScale, ShrinksTheFirstHundredUnits) {
  PawnEntry entry{};
  entry.scaleWhite = 208;
  entry.scaleBlack = 160;
  EXPECT_EQ(applyDrawishScale(150, entry), 69);  // 150 - (208 * 100 >> 8); 62 after the final 29/32
  EXPECT_EQ(applyDrawishScale(60, entry), 12);   // 60 - (208 * 60 >> 8)
  EXPECT_EQ(applyDrawishScale(-60, entry), -22);  // 160 * -60 >> 8 = -38 (rounded down)
  EXPECT_EQ(applyDrawishScale(-500, entry), -500 + 63);  // 160 * -100 >> 8 = -63 (rounded down)
  entry.scaleWhite = 0;
  EXPECT_EQ(applyDrawishScale(40, entry), 40);
}

}  // namespace
