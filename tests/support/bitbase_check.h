// Compares the stored draw bitbases with the forward solver.
#pragma once

#include "support/ending_solver.h"

namespace velt {

struct BitbaseComparison {
  int storedDraws = 0;
  int solverDraws = 0;
  int solverWins = 0;
  int mismatches = 0;
};

// The pawn ending over every index.
BitbaseComparison comparePawnEnding(const EndingSolver& solver);
// The bishop ending over every index whose pawn stands on ranks minRank..6 (0-based).
BitbaseComparison compareBishopEnding(const EndingSolver& solver, int minRank);

}  // namespace velt
