// A plain forward solver of king and pawn against king and of king, bishop and rook pawn
// against king: each pawn square is a slice solved by repeated passes until nothing
// changes, from the most advanced pawn down. It shares no code with the bitbase generator
// and serves as the independent reference for the stored bitbases.
//
// A promotion to queen or rook wins unless the defender is stalemated or takes the new
// piece; taking the pawn draws; taking the bishop leads into the pawn ending.
#pragma once

#include <cstdint>
#include <vector>

namespace velt {

struct EndingSolver {
  // Per pawn square, per (side * 64 + whiteKing) * 64 + blackKing [* 64 + bishop]:
  // 0 illegal, 1 drawn, 2 won for white.
  std::vector<std::uint8_t> pawnEnding[64];
  std::vector<std::uint8_t> bishopEnding[64];

  void solvePawnEnding();
  // Solves the bishop ending for rook pawns on ranks minRank..6 (0-based); needs the pawn ending.
  void solveBishopEnding(int minRank);
};

constexpr std::uint8_t ENDING_ILLEGAL = 0, ENDING_DRAWN = 1, ENDING_WON = 2;

}  // namespace velt
