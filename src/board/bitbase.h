// Draw bitbases of two small endings: king and pawn against king, and king, bishop and
// rook pawn against king. The tables hold one bit per index, set when the position is a
// draw; they are built for a white pawn (turn the board by 180 degrees and exchange the
// side to move for a black one).
#pragma once

#include <cstdint>

#include "board/types.h"

namespace velt {

constexpr int KPK_BITS = 2 * 64 * 64 * 64;
constexpr int KBPK_BITS = 2 * 64 * 64 * 2 * 16;

extern const std::uint64_t kpkBitbase[KPK_BITS / 64];
extern const std::uint64_t kbpkBitbase[KBPK_BITS / 64];

// Bit of king and pawn against king; sideToMove, the kings and the pawn as for white.
constexpr int kpkIndex(int sideToMove, int whiteKing, int blackKing, int pawn) {
  return ((sideToMove * 64 + whiteKing) * 64 + blackKing) * 64 + pawn;
}

// Bit of king, bishop and a- or h-pawn against king: only the colour of the bishop's
// square enters the index, so a set bit means a draw wherever that bishop stands.
constexpr int kbpkIndex(int sideToMove, int whiteKing, int blackKing, int bishop, int pawn) {
  return (((sideToMove * 64 + whiteKing) * 64 + blackKing) * 2 + ((rankOf(bishop) + fileOf(bishop)) & 1)) * 16 +
         rankOf(pawn) + (fileOf(pawn) == 7 ? 8 : 0);
}

inline bool bitbaseDraw(const std::uint64_t* table, int index) { return (table[index >> 6] >> (index & 63)) & 1; }

}  // namespace velt
