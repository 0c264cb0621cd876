// Making and unmaking moves with incremental keys, counters and rotated boards; the
// legality test reads the attack maps that the evaluation of the new position leaves.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace velt {

// Makes `move` and evaluates the new position with the window (-beta, -alpha) of the
// side now to move. Returns 1, or 0 (position unchanged) when the move is illegal.
int makeMove(Position& pos, Move move, int alpha, int beta);
// As makeMove, but a move that leaves the own king attacked is made as well; only
// castling out of or through check returns 0.
int makeMoveUnchecked(Position& pos, Move move, int alpha, int beta);
// Takes back the last move made, a null move of the search included.
void unmakeMove(Position& pos);

// Number of earlier positions, since the last irreversible move, equal to this one.
int repetitionCount(const Position& pos);
// Whether the opponent attacks a square the castling king passes or lands on.
bool castlingPathAttacked(const Position& pos, Move move);
// The checkInfo word of the side to move after `move` (made) gave check.
std::uint32_t checkInfoAfterMove(const Position& pos, Move move);
// Whether a man of `byColour` attacks `square`.
bool isSquareAttacked(const Position& pos, int square, int byColour);

}  // namespace velt
