#include "board/bitbase.h"

#include <gtest/gtest.h>

#include "support/bitbase_check.h"

namespace velt {

namespace {

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

}  // namespace

}  // namespace velt
