// Attack sets read from the tables and the rotated occupancy boards of a position.
#pragma once

#include "board/bitboard.h"
#include "board/position.h"

namespace velt {

inline Bitboard rookAttacks(const Position& pos, int square) {
  return rankAttacks[square][lineIndex(pos.occupied, rankShift[square])] |
         fileAttacks[square][lineIndex(pos.occupiedFile, fileShift[square])];
}

inline Bitboard bishopAttacks(const Position& pos, int square) {
  return diagA1H8Attacks[square][lineIndex(pos.occupiedDiagA1H8, diagA1H8Shift[square])] |
         diagH1A8Attacks[square][lineIndex(pos.occupiedDiagH1A8, diagH1A8Shift[square])];
}

inline Bitboard queenAttacks(const Position& pos, int square) {
  return rookAttacks(pos, square) | bishopAttacks(pos, square);
}

// The squares a pawn of `colour` on `square` attacks.
inline Bitboard pawnAttacks(int colour, int square) { return pawnAttackers[colour ^ 1][square]; }

// The nearest occupied square from `square` in direction `dir`, or NO_SQUARE.
inline int firstManInDirection(const Position& pos, int square, int dir) {
  Bitboard men = ray[square][dir] & pos.occupied;
  return (dir & 1) ? highestSquare(men) : lowestSquare(men);
}

}  // namespace velt
