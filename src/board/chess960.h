// The start positions of Chess960 by their standard numbering.
#pragma once

#include "board/position.h"

namespace velt {

constexpr int CHESS960_POSITIONS = 960;
// The number of the standard start position.
constexpr int STANDARD_START_NUMBER = 518;

// The men of start position `number` (0 .. CHESS960_POSITIONS - 1): pawns on the
// second and seventh ranks, the pieces of the first rank mirrored on the eighth.
Placement chess960Placement(int number);

}  // namespace velt
