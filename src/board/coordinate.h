// Coordinate move notation (e2e4, e7e8Q, castling as the king's two-file move) and
// the completion of move words read without flags.
#pragma once

#include <string>

#include "board/position.h"

namespace velt {

// The move as text (at most five letters, so no allocation); 0 gives a1a1.
std::string moveToCoordinate(Move move);
// The same in the protocols' form, the promotion letter in lower case (e7e8q): what
// UCI front ends and engines expect, and what xboard takes as a coordinate move.
std::string moveToUci(Move move);
// Reads a coordinate move or a castling text (O-O, 0-0-0, o-o) for the side to move.
// Returns false, leaving `move` alone, for text that does not name a move the
// generators could produce here; legality is left to makeMove.
bool parseMoveText(const Position& pos, const char* text, Move& move);
// Adds the capture, pawn, double-step, en-passant and promotion flags that the
// board implies to a move word holding from, to and promotion type.
void completeMoveFlags(const Position& pos, Move& move);
// Quick filter for stored moves: not zero, an own man on from, none on to.
bool moveFitsBoard(const Position& pos, Move move);

}  // namespace velt
