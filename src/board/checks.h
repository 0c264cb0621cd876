// Generation of the moves that give check, for the quiescence and frontier searches:
// quiet moves and captures of `extraTargets` that attack the enemy king directly or
// uncover an attack on it. Direct checks pass the exchange test first.
#pragma once

#include "board/position.h"

namespace velt {

// Fills the ply's list. captureA and captureB (0 when absent) are captures the caller
// keeps back; each is added when its man is the single blocker of a discovered check.
void generateChecks(Position& pos, Bitboard extraTargets, Move captureA, Move captureB);

// The frontier-search variant: knight checks need a fork or a king whose neighbours all
// lie in flightSquares, single pawn pushes likewise (or a second attacked piece), no pawn
// captures, and no knight move twice.
void generateChecksRestricted(Position& pos, Bitboard extraTargets, Bitboard flightSquares);

}  // namespace velt
