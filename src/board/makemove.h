// Making and unmaking moves with incremental keys, counters and rotated boards. A move
// is made in two steps around the evaluation of the new position: the legality test
// reads the attack maps that the evaluation leaves (the engine's makeMove joins them).
#pragma once

#include <cstdint>

#include "board/position.h"

namespace velt {

// Moves the men and updates keys and counters for `move`. Returns false, changing
// nothing, for castling out of or through check.
bool beginMove(Position& pos, Move move);
// Ends the move begun last once attackMap[ply] describes the new position: takes it
// back and returns false when `rejectExposedKing` is set and it left the own king
// attacked, and otherwise records whether it gives check.
bool completeMove(Position& pos, bool rejectExposedKing);
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
