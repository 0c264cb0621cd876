// Standard algebraic notation: writing a move for thinking output and game records,
// and reading the moves of game files.
#pragma once

#include <string>

#include "board/position.h"

namespace velt {

// The move (not yet made) as text: O-O, Nbd2, R1e2, exd5, exd8=Q. No check sign.
// At most seven letters, so no allocation.
std::string moveToSan(const Position& pos, Move move);

// Reads a move in algebraic notation for the side to move: castling in any spelling
// (O-O, 0-0-0, o-o), pawn moves (e4, exd5, e8=Q), piece moves disambiguated by file,
// rank or square; "x", "+", "#", "=", "!" and "?" are ignored. Writes the moves the
// generators could produce that the text may name, in the order a reader tries them,
// and returns their number; the text names the first of them that is legal.
constexpr int MAX_SAN_CANDIDATES = 16;
int sanCandidates(const Position& pos, const char* text, Move candidates[MAX_SAN_CANDIDATES]);

}  // namespace velt
