// King terms: end-game king tables, the pawn shelter (cached in the pawn entry),
// the king attack and the aggravation by an enemy queen aiming from afar.
#pragma once

#include "board/position.h"

namespace velt {

struct EvalState;
struct PawnEntry;

// Fills the three shelter words of `colour` in the entry when they are unknown.
void fillShelter(const Position& pos, PawnEntry& entry, int colour);
// Shelter of colour C's king where it stands (castling rights included).
int kingShelter(const Position& pos, PawnEntry& entry, int colour);
// King tables, shelter and king attack for white, then black.
void evaluateKings(const Position& pos, EvalState& st);

}  // namespace velt
