// Endgame rules switched by the material entry's flags and the pawn entry:
// the wrong-bishop draw, bishops of opposite colour, bishop and knight against
// a bare king, and the drawish scale of the side ahead.
#pragma once

#include "board/position.h"

struct EvalState;
struct PawnEntry;

// The side ahead (by `material`, white when positive) has a lone bishop and only
// rook pawns on one file whose queening corner the bishop cannot cover, with
// the defending king in that corner.
bool isWrongBishopDraw(const Position& pos, int material);
// One bishop each, standing on squares of different colour.
bool bishopsOfOppositeColour(const Position& pos);
// Mating term for bishop and knight against a bare king, added to egScore.
int bishopKnightMateTerm(const Position& pos, const EvalState& st, int egScore);
// The first 100 units of the advantage shrink by scale/256 of the side ahead's pawns.
int applyDrawishScale(int score, const PawnEntry& entry);
