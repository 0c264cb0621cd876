// Slow, plainly written board helpers for tests: attacks found by walking the board
// array square by square (no engine tables), moves applied to a copy of that array,
// and random positions written as FEN.
#pragma once

#include <random>
#include <string>

#include "board/position.h"
#include "search/worker.h"

namespace velt {

// A board as an array of piece codes (EMPTY_CELL for empty squares).
struct BruteBoard {
  int cell[64];
};

BruteBoard bruteFromPosition(const Position& pos);
// Whether a man of `colour` attacks `square`.
bool bruteAttacks(const BruteBoard& b, int square, int colour);
// Whether the man on `from` attacks `to` (other men block its lines).
bool bruteManAttacks(const BruteBoard& b, int from, int to);
// Every square `colour` attacks.
Bitboard bruteAttackSet(const BruteBoard& b, int colour);
int bruteKingSquare(const BruteBoard& b, int colour);
bool bruteInCheck(const BruteBoard& b, int colour);
// The board after a move (castling moves the rook, en passant removes the pawn,
// promotions place the new piece).
BruteBoard bruteAfterMove(const BruteBoard& b, Move move);
// The FEN of the board with `side` to move, no castling, no en passant.
std::string bruteToFen(const BruteBoard& b, int side);
// A random legal position with the given number of men besides the kings, no pawns on
// the first and last ranks, the side not to move not in check, no castling rights.
std::string randomFen(std::mt19937& rng, int men);
// The same with exactly the given men besides the kings, as FEN letters ("Pb").
std::string randomFenOf(std::mt19937& rng, const std::string& men);
// Sets the test engine's game position up from the FEN and fills its attack maps; fails the test when the
// FEN is rejected.
Worker& setUp(const std::string& fen);

}  // namespace velt
