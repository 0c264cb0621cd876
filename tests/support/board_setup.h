// Positions for the move and evaluation tests: a FEN set up on the game position of
// the test engine and copied out, ready for generation and makeMove.
#pragma once

#include <memory>
#include <string>

#include "board/position.h"
#include "search/worker.h"

namespace velt {

struct EngineCore;

// The square of a name such as "e4".
constexpr int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

// The engine record of the board and evaluation tests: its material table and pawn
// hash are built once; its game position is where FENs are set up.
EngineCore& testEngine();
// A copy of the test engine's game position set up from `fen` (the start position for null), its
// attack maps filled for ply 0. Fails the calling test on a malformed FEN.
std::unique_ptr<Worker> positionFromFen(const char* fen);
// The colour-flipped FEN: ranks mirrored, colours swapped, side to move,
// castling rights and en-passant square mirrored.
std::string flipFen(const std::string& fen);

}  // namespace velt
