// Standard algebraic notation: writing a move for thinking output and game records,
// and reading the moves of game files.
#pragma once

#include "board/position.h"

namespace velt {

// The move (not yet made) as text in a static buffer overwritten by the next call:
// O-O, Nbd2, R1e2, exd5, exd8=Q. No check sign.
const char* moveToSan(const Position& pos, Move move);

// Reads a move in algebraic notation for the side to move: castling in any spelling
// (O-O, 0-0-0, o-o), pawn moves (e4, exd5, e8=Q), piece moves disambiguated by file,
// rank or square; "x", "+", "#", "=", "!" and "?" are ignored. Returns false, leaving
// `move` alone, when the text names no legal move. `isLegal` decides on the moves the
// generators could produce (the engine's makes and takes back the move, so the
// position must be ready for that).
using LegalityTest = bool (*)(Position& pos, Move move);
bool parseSanMove(Position& pos, const char* text, Move& move, LegalityTest isLegal);

}  // namespace velt
