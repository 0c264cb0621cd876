// Coordinate move notation (e2e4, e7e8Q, castling as the king's move or as the king
// taking its rook) and
// the completion of move words read without flags.
#pragma once

#include <string>

#include "board/position.h"

namespace velt {

// The move as text (at most five letters, so no allocation); 0 gives a1a1. Castling
// is the king's move to its castling square, or, given the rook squares of the
// position (Chess960 front ends), the king taking its own rook.
std::string moveToCoordinate(Move move, const CastlingSetup* kingTakesRook = nullptr);
// The same in the protocols' form, the promotion letter in lower case (e7e8q): what
// UCI front ends and engines expect, and what xboard takes as a coordinate move.
std::string moveToUci(Move move, const CastlingSetup* kingTakesRook = nullptr);
// Reads a coordinate move or a castling text (O-O, 0-0-0, o-o) for the side to move.
// Castling may also be written as the king's move to its castling square when that
// is two files away, or as the king taking its castling rook.
// Returns false, leaving `move` alone, for text that does not name a move the
// generators could produce here; legality is left to makeMove.
bool parseMoveText(const Position& pos, const char* text, Move& move);
// Adds the capture, pawn, double-step, en-passant and promotion flags that the
// board implies to a move word holding from, to and promotion type.
void completeMoveFlags(const Position& pos, Move& move);
// Quick filter for stored moves: not zero, an own man on from, none on to.
bool moveFitsBoard(const Position& pos, Move move);

}  // namespace velt
