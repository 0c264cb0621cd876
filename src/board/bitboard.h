// Per-square tables, rotated-board mappings and slider attacks. The tables are
// built once by buildBoardTables() and are read-only afterwards.
#pragma once

#include "board/types.h"

// Direction numbers: 0 N, 1 S, 2 E, 3 W, 4 NW, 5 SE, 6 NE, 7 SW; d ^ 1 is opposite.
constexpr int NORTH = 0, SOUTH = 1, EAST = 2, WEST = 3;
constexpr int NORTH_WEST = 4, SOUTH_EAST = 5, NORTH_EAST = 6, SOUTH_WEST = 7;
constexpr int directionDelta[8] = {8, -8, 1, -1, 7, -7, 9, -9};

// Single-bit masks of each square in the plain and in the three rotated boards,
// with their complements for clearing.
extern Bitboard squareBit[64], squareClear[64];
extern Bitboard fileBit[64], fileClear[64];
extern Bitboard diagA1H8Bit[64], diagA1H8Clear[64];
extern Bitboard diagH1A8Bit[64], diagH1A8Clear[64];

// Shift of the 6-bit line index of each square in its board (a shift of 64 marks
// a one-square diagonal, whose attack entries are all empty).
extern const int rankShift[64], fileShift[64], diagA1H8Shift[64], diagH1A8Shift[64];
extern const int diagA1H8Length[64], diagH1A8Length[64];

extern Bitboard rankAttacks[64][64], fileAttacks[64][64];
extern Bitboard diagA1H8Attacks[64][64], diagH1A8Attacks[64][64];

extern Bitboard ray[65][8];
extern int neighbour[64][8];
extern int direction[64][64];
extern Bitboard rookLines[64], bishopLines[64];
extern Bitboard knightAttacks[64];
extern int knightTargets[64][9];
extern const Bitboard kingAttacks[64];
extern const Bitboard pawnAttackers[2][64];
extern int kingZoneLine[64][2][64];

// Zobrist keys (constants, see zobrist_tables.cpp).
extern const std::uint64_t pieceSquareKey[12][64];
extern const std::uint64_t castleKey[16];
extern const std::uint64_t epKey[64];
extern std::uint64_t sideKey;
constexpr std::uint64_t SIDE_KEY_VALUE = 0xC139B61D3DA793B1ULL;

void buildBoardTables();

inline int lineIndex(Bitboard board, int shift) { return static_cast<int>((board >> (shift & 63)) & 63); }

int popCount(Bitboard board);
int lowestSquare(Bitboard board);
int highestSquare(Bitboard board);
