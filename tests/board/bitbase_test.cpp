#include "board/bitbase.h"

#include <gtest/gtest.h>

#include "support/bitbase_check.h"

namespace {

constexpr int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

bool kpkDraw(int side, const char* whiteKing, const char* blackKing, const char* pawn) {
  return bitbaseDraw(kpkBitbase, kpkIndex(side, sq(whiteKing), sq(blackKing), sq(pawn)));
}

bool kbpkDraw(int side, const char* whiteKing, const char* blackKing, const char* bishop, const char* pawn) {
  return bitbaseDraw(kbpkBitbase, kbpkIndex(side, sq(whiteKing), sq(blackKing), sq(bishop), sq(pawn)));
}

TEST(Bitbase, PawnEndingAgreesWithForwardSolverOnEveryIndex) {
  EndingSolver solver;
  solver.solvePawnEnding();
  BitbaseComparison result = comparePawnEnding(solver);
  EXPECT_EQ(result.mismatches, 0);
  EXPECT_EQ(result.storedDraws, result.solverDraws);
  EXPECT_GT(result.solverWins, result.solverDraws);
  EXPECT_GT(result.solverDraws, 0);
}

TEST(Bitbase, BishopEndingSeventhRankAgreesWithForwardSolver) {
  EndingSolver solver;
  solver.solvePawnEnding();
  solver.solveBishopEnding(6);
  BitbaseComparison result = compareBishopEnding(solver, 6);
  EXPECT_EQ(result.mismatches, 0);
  EXPECT_EQ(result.solverDraws + result.solverWins > 0, true);
  EXPECT_GT(result.solverDraws, 0);
}

TEST(Bitbase, KnownPawnEndings) {
  // King on the sixth rank in front of its pawn wins whoever moves.
  EXPECT_FALSE(kpkDraw(WHITE, "e6", "e8", "e5"));
  EXPECT_FALSE(kpkDraw(BLACK, "e6", "e8", "e5"));
  // King in front on the fifth rank: the side to move decides the opposition.
  EXPECT_TRUE(kpkDraw(WHITE, "e5", "e7", "e4"));
  EXPECT_FALSE(kpkDraw(BLACK, "e5", "e7", "e4"));
  // Defending king in front of a rook pawn.
  EXPECT_TRUE(kpkDraw(WHITE, "b5", "a8", "a5"));
  // The defender takes the unguarded pawn.
  EXPECT_TRUE(kpkDraw(BLACK, "h1", "d5", "d4"));
  // Illegal: kings side by side, pawn on the first rank, white to move with black in check.
  EXPECT_FALSE(kpkDraw(WHITE, "e4", "e5", "a3"));
  EXPECT_FALSE(kpkDraw(WHITE, "e4", "e8", "a1"));
  EXPECT_FALSE(kpkDraw(WHITE, "a1", "e5", "d4"));
}

TEST(Bitbase, KnownBishopEndings) {
  // Wrong bishop: the defender holds the corner whatever the dark-squared bishop does.
  EXPECT_TRUE(kbpkDraw(WHITE, "c4", "a8", "e3", "a5"));
  EXPECT_TRUE(kbpkDraw(BLACK, "c4", "a8", "e3", "a5"));
  // Right bishop: a light-squared bishop controls a8 and wins from some placements.
  EXPECT_FALSE(kbpkDraw(WHITE, "c4", "a8", "e2", "a5"));
  // The h-pawn's promotion square h8 is dark.
  EXPECT_TRUE(kbpkDraw(WHITE, "f4", "h8", "e2", "h5"));
  EXPECT_FALSE(kbpkDraw(WHITE, "f4", "h8", "e3", "h5"));
}

}  // namespace
