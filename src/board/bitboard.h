// Per-square tables, rotated-board mappings and bit scans. Every table is a
// compile-time constant: the small ones are built here, the line-attack tables, rays
// and the other derived tables by the compiler in bitboard.cpp, in read-only data.
#pragma once

#include <bit>
#include <cstdint>

#include "board/types.h"

namespace velt {

// Direction numbers: 0 N, 1 S, 2 E, 3 W, 4 NW, 5 SE, 6 NE, 7 SW; d ^ 1 is opposite,
// 4..7 are diagonal, even directions run towards higher square numbers.
constexpr int NORTH = 0, SOUTH = 1, EAST = 2, WEST = 3;
constexpr int NORTH_WEST = 4, SOUTH_EAST = 5, NORTH_EAST = 6, SOUTH_WEST = 7;
constexpr int directionDelta[8] = {8, -8, 1, -1, 7, -7, 9, -9};
constexpr int directionRankStep[8] = {1, -1, 0, 0, 1, -1, 1, -1};
constexpr int directionFileStep[8] = {0, 0, 1, -1, -1, 1, 1, -1};

// Knight steps in table order, as (rank step, file step).
constexpr int knightRankStep[8] = {2, -2, 1, -1, 2, -2, 1, -1};
constexpr int knightFileStep[8] = {-1, 1, -2, 2, 1, -1, 2, -2};

// The square reached from `square` by the step, or NO_SQUARE when it leaves the board.
constexpr int stepSquare(int square, int rankStep, int fileStep) {
  int rank = rankOf(square) + rankStep, file = fileOf(square) + fileStep;
  return rank >= 0 && rank < 8 && file >= 0 && file < 8 ? makeSquare(file, rank) : NO_SQUARE;
}

// Rotated boards. In the file board each file is contiguous (h-file lowest); in the
// two diagonal boards each diagonal is contiguous, the diagonals ordered by
// rank - file (h1 first, a8 last) and by rank + file (a1 first, h8 last).
constexpr int diagonalLength(int index) { return index <= 7 ? index + 1 : 15 - index; }
constexpr int diagonalStart(int index) {
  int start = 0;
  for (int i = 0; i < index; ++i) start += diagonalLength(i);
  return start;
}
// Diagonal numbers 0..14 of a square in each diagonal board.
constexpr int diagA1H8Index(int square) { return rankOf(square) - fileOf(square) + 7; }
constexpr int diagH1A8Index(int square) { return rankOf(square) + fileOf(square); }
// Position of a square along its line, counted from the line's lowest bit.
constexpr int diagA1H8Position(int square) {
  return rankOf(square) < fileOf(square) ? rankOf(square) : fileOf(square);
}
constexpr int diagH1A8Position(int square) {
  return diagH1A8Index(square) <= 7 ? fileOf(square) : 7 - rankOf(square);
}
constexpr int fileBitNumber(int square) { return 8 * (7 - fileOf(square)) + rankOf(square); }
constexpr int diagA1H8BitNumber(int square) {
  return diagonalStart(diagA1H8Index(square)) + diagA1H8Position(square);
}
constexpr int diagH1A8BitNumber(int square) {
  return diagonalStart(diagH1A8Index(square)) + diagH1A8Position(square);
}

struct BoardConstants {
  Bitboard squareBit[64], squareClear[64];
  Bitboard fileBit[64], fileClear[64];
  Bitboard diagA1H8Bit[64], diagA1H8Clear[64];
  Bitboard diagH1A8Bit[64], diagH1A8Clear[64];
  int rankShift[64], fileShift[64], diagA1H8Shift[64], diagH1A8Shift[64];
  int diagA1H8Length[64], diagH1A8Length[64];
  Bitboard kingAttacks[64];
  Bitboard pawnAttackers[2][64];
};

constexpr BoardConstants makeBoardConstants() {
  BoardConstants t{};
  for (int s = 0; s < 64; ++s) {
    t.squareBit[s] = Bitboard{1} << s;
    t.fileBit[s] = Bitboard{1} << fileBitNumber(s);
    t.diagA1H8Bit[s] = Bitboard{1} << diagA1H8BitNumber(s);
    t.diagH1A8Bit[s] = Bitboard{1} << diagH1A8BitNumber(s);
    t.squareClear[s] = ~t.squareBit[s];
    t.fileClear[s] = ~t.fileBit[s];
    t.diagA1H8Clear[s] = ~t.diagA1H8Bit[s];
    t.diagH1A8Clear[s] = ~t.diagH1A8Bit[s];
    t.rankShift[s] = 8 * rankOf(s) + 1;
    t.fileShift[s] = 8 * (7 - fileOf(s)) + 1;
    t.diagA1H8Shift[s] = diagonalStart(diagA1H8Index(s)) + 1;
    t.diagH1A8Shift[s] = diagonalStart(diagH1A8Index(s)) + 1;
    t.diagA1H8Length[s] = diagonalLength(diagA1H8Index(s));
    t.diagH1A8Length[s] = diagonalLength(diagH1A8Index(s));
    for (int d = 0; d < 8; ++d) {
      int target = stepSquare(s, directionRankStep[d], directionFileStep[d]);
      if (target != NO_SQUARE) t.kingAttacks[s] |= Bitboard{1} << target;
    }
    // A pawn of colour c attacks s from one rank behind s (as seen by c).
    for (int colour = 0; colour < 2; ++colour) {
      int behind = colour == WHITE ? -1 : 1;
      for (int fileStep = -1; fileStep <= 1; fileStep += 2) {
        int from = stepSquare(s, behind, fileStep);
        if (from != NO_SQUARE) t.pawnAttackers[colour][s] |= Bitboard{1} << from;
      }
    }
  }
  return t;
}

inline constexpr BoardConstants boardConstants = makeBoardConstants();

// Single-bit masks of each square in the plain and in the three rotated boards,
// with their complements for clearing.
inline constexpr const Bitboard (&squareBit)[64] = boardConstants.squareBit;
inline constexpr const Bitboard (&squareClear)[64] = boardConstants.squareClear;
inline constexpr const Bitboard (&fileBit)[64] = boardConstants.fileBit;
inline constexpr const Bitboard (&fileClear)[64] = boardConstants.fileClear;
inline constexpr const Bitboard (&diagA1H8Bit)[64] = boardConstants.diagA1H8Bit;
inline constexpr const Bitboard (&diagA1H8Clear)[64] = boardConstants.diagA1H8Clear;
inline constexpr const Bitboard (&diagH1A8Bit)[64] = boardConstants.diagH1A8Bit;
inline constexpr const Bitboard (&diagH1A8Clear)[64] = boardConstants.diagH1A8Clear;

// Shift of the 6-bit line index of each square in its board (1 + the bit number of
// the line's first square; 64 marks a one-square diagonal, whose attack entries are
// all empty).
inline constexpr const int (&rankShift)[64] = boardConstants.rankShift;
inline constexpr const int (&fileShift)[64] = boardConstants.fileShift;
inline constexpr const int (&diagA1H8Shift)[64] = boardConstants.diagA1H8Shift;
inline constexpr const int (&diagH1A8Shift)[64] = boardConstants.diagH1A8Shift;
inline constexpr const int (&diagA1H8Length)[64] = boardConstants.diagA1H8Length;
inline constexpr const int (&diagH1A8Length)[64] = boardConstants.diagH1A8Length;

// The up to eight squares next to a square.
inline constexpr const Bitboard (&kingAttacks)[64] = boardConstants.kingAttacks;
// pawnAttackers[c][s]: the squares from which a pawn of colour c attacks s; the
// squares a pawn of colour c on s attacks are pawnAttackers[1 - c][s].
inline constexpr const Bitboard (&pawnAttackers)[2][64] = boardConstants.pawnAttackers;

// The derived tables, built by the compiler (bitboard.cpp).
struct BoardTables {
  Bitboard rankAttacks[64][64], fileAttacks[64][64];
  Bitboard diagA1H8Attacks[64][64], diagH1A8Attacks[64][64];
  Bitboard ray[65][8];
  int neighbour[64][8];
  std::int8_t direction[64][64];
  Bitboard rookLines[64], bishopLines[64];
  Bitboard knightAttacks[64];
  int knightTargets[64][9];
  std::int16_t kingZoneLine[64][2][64];
};

extern const BoardTables boardTables;

// Slider attacks along one line, by square and 6-bit occupancy index.
inline constexpr const Bitboard (&rankAttacks)[64][64] = boardTables.rankAttacks;
inline constexpr const Bitboard (&fileAttacks)[64][64] = boardTables.fileAttacks;
inline constexpr const Bitboard (&diagA1H8Attacks)[64][64] = boardTables.diagA1H8Attacks;
inline constexpr const Bitboard (&diagH1A8Attacks)[64][64] = boardTables.diagH1A8Attacks;

// ray[s][d]: the squares from s in direction d up to the edge, s excluded; the
// entry for NO_SQUARE has every bit set.
inline constexpr const Bitboard (&ray)[65][8] = boardTables.ray;
// The square one step from s in direction d, or NO_SQUARE.
inline constexpr const int (&neighbour)[64][8] = boardTables.neighbour;
// The direction in which `to` lies on a line from `from`, or -1. Bytes, so that the
// table fills little of the first-level cache.
inline constexpr const std::int8_t (&direction)[64][64] = boardTables.direction;
inline constexpr const Bitboard (&rookLines)[64] = boardTables.rookLines;
inline constexpr const Bitboard (&bishopLines)[64] = boardTables.bishopLines;
inline constexpr const Bitboard (&knightAttacks)[64] = boardTables.knightAttacks;
// Knight targets in step order, ended by -1.
inline constexpr const int (&knightTargets)[64][9] = boardTables.knightTargets;
// kingZoneLine[k][family][t], family 0 orthogonal and 1 diagonal: -1 when no ray of
// that family from t meets the squares next to k, else (first such square nearest
// t) << 8 | (direction * 16 + king distance from t to k). Sixteen bits hold it.
inline constexpr const std::int16_t (&kingZoneLine)[64][2][64] = boardTables.kingZoneLine;

// Zobrist keys (constants, see zobrist_tables.cpp). The side key is present in a
// hash key while white is to move.
extern const std::uint64_t pieceSquareKey[12][64];
extern const std::uint64_t castleKey[16];
extern const std::uint64_t epKey[64];
constexpr std::uint64_t SIDE_KEY_VALUE = 0xC139B61D3DA793B1ULL;
inline constexpr std::uint64_t sideKey = SIDE_KEY_VALUE;

// The 6-bit occupancy index of a line whose first inner square is at `shift`
// (shift 64 reads as 0: those lines have empty attack entries for every index).
inline int lineIndex(Bitboard board, int shift) { return static_cast<int>((board >> (shift & 63)) & 63); }

constexpr int popCount(Bitboard board) { return std::popcount(board); }
// Square of the lowest / highest set bit, NO_SQUARE for an empty board.
constexpr int lowestSquare(Bitboard board) { return std::countr_zero(board); }
constexpr int highestSquare(Bitboard board) { return board ? 63 - std::countl_zero(board) : NO_SQUARE; }

// King distance: the larger of the rank and file differences.
constexpr int squareDistance(int a, int b) {
  int rankDiff = rankOf(a) > rankOf(b) ? rankOf(a) - rankOf(b) : rankOf(b) - rankOf(a);
  int fileDiff = fileOf(a) > fileOf(b) ? fileOf(a) - fileOf(b) : fileOf(b) - fileOf(a);
  return rankDiff > fileDiff ? rankDiff : fileDiff;
}

}  // namespace velt
