// Endgame rules switched by the material entry's flags and the pawn entry:
// bishops of opposite colour, bishop and knight against a bare king, and the
// drawish scale of the side ahead (the wrong-bishop draw is declared with the
// other term groups).
#pragma once

#include "board/position.h"
#include "eval/terms.h"

namespace velt {

struct EvalState;
struct PawnEntry;

// One bishop each, standing on squares of different colour.
bool bishopsOfOppositeColour(const Position& pos);
// Mating term for bishop and knight against a bare king, added to egScore.
int bishopKnightMateTerm(const Position& pos, const EvalState& st, int egScore);
// The first 100 units of the advantage shrink by scale/256 of the side ahead's pawns.
int applyDrawishScale(int score, const PawnEntry& entry);

}  // namespace velt
