// Colour-relative helpers for the evaluation terms: every term is written for
// white and read for black on the board mirrored rank-wise.
#pragma once

#include <cstdint>

#include "board/bitboard.h"
#include "board/types.h"

namespace velt {

template <int C>
constexpr int relativeSquare(int square) {
  return C == WHITE ? square : square ^ 56;
}
template <int C>
constexpr int relativeRank(int square) {
  return rankOf(relativeSquare<C>(square));
}
template <int C>
constexpr Bitboard relativeBoard(Bitboard board) {
  return C == WHITE ? board : __builtin_bswap64(board);
}
template <int C>
constexpr int forwardDirection() {
  return C == WHITE ? NORTH : SOUTH;
}

// A rank byte (bit r = rank r) as seen from colour C's side.
constexpr std::uint8_t reverseRanks(std::uint8_t ranks) {
  return static_cast<std::uint8_t>(((ranks * 0x0202020202ULL) & 0x010884422010ULL) % 1023);
}
template <int C>
constexpr std::uint8_t relativeRanks(std::uint8_t ranks) {
  return C == WHITE ? ranks : reverseRanks(ranks);
}

// Squares strictly between two squares on a common line, empty when they share none.
inline Bitboard squaresBetween(int from, int to) {
  const int d = direction[from][to];
  if (d < 0) return 0;
  return ray[from][d] & ~ray[to][d] & ~squareBit[to];
}

inline bool isLightSquare(int square) { return ((rankOf(square) + fileOf(square)) & 1) != 0; }

constexpr Bitboard rankMask(int rank) { return 0xFFULL << (8 * rank); }

}  // namespace velt
