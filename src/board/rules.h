// The rules of the game around the move generators: the drawn endings the search
// recognises and two quick tests for the search.
#pragma once

#include "board/position.h"

namespace velt {

// Whether a position of five or fewer men is a known draw: bare minor pieces, king and
// pawn against king, the wrong rook-pawn bishop, and king, bishop and pawn against
// king and bishop of the other colour.
bool isRecognizedDraw(const Position& pos);

// 0 for a dark square, 1 for a light one.
int squareColour(int square);
// Whether `colour` has one bishop and no other piece (pawns aside).
bool hasLoneBishop(const Position& pos, int colour);

// Whether the man leaving the move's from square uncovers an attack of an own queen,
// rook or bishop on the enemy king.
bool isDiscoveredCheckMove(const Position& pos, Move move);

// Whether the side to move is in check and the evasion generator finds no move at all
// (a quick mate test; without legality tests a false answer proves nothing).
bool isCheckedWithoutEvasions(Position& pos);

}  // namespace velt
