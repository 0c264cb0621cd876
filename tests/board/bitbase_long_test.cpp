#include "board/bitbase.h"

#include <gtest/gtest.h>

#include "support/bitbase_check.h"

namespace velt {

TEST(BitbaseLong, BishopEndingAgreesWithForwardSolverOnEveryIndex) {
  EndingSolver solver;
  solver.solvePawnEnding();
  solver.solveBishopEnding(1);
  BitbaseComparison result = compareBishopEnding(solver, 1);
  EXPECT_EQ(result.mismatches, 0);
  EXPECT_EQ(result.storedDraws, result.solverDraws);
  EXPECT_GT(result.solverDraws, 0);
  EXPECT_GT(result.solverWins, 0);
}

}  // namespace velt
