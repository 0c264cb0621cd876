// Knight, bishop, rook and queen terms: attacks (OR-ed into the ply's attack
// maps), mobility, king-attack tallies, threats, pins and the piece specifics.
#pragma once

#include "board/position.h"

namespace velt {

struct EvalState;

// White knights, bishops, rooks, queens, then the same for black.
void evaluatePieces(Position& pos, EvalState& st);

}  // namespace velt
