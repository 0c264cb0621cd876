// Builds the line-attack tables, rays, directions, knight and king-zone tables.
#include "board/bitboard.h"

namespace velt {

Bitboard rankAttacks[64][64], fileAttacks[64][64];
Bitboard diagA1H8Attacks[64][64], diagH1A8Attacks[64][64];
Bitboard ray[65][8];
int neighbour[64][8];
std::int8_t direction[64][64];
Bitboard rookLines[64], bishopLines[64];
Bitboard knightAttacks[64];
int knightTargets[64][9];
std::int16_t kingZoneLine[64][2][64];

namespace {

// A line through a square: its length and the square at each position on it.
struct Line {
  int length;
  int squares[8];
};

Line rankLine(int square) {
  Line line{8, {}};
  for (int p = 0; p < 8; ++p) line.squares[p] = makeSquare(p, rankOf(square));
  return line;
}

Line fileLine(int square) {
  Line line{8, {}};
  for (int p = 0; p < 8; ++p) line.squares[p] = makeSquare(fileOf(square), p);
  return line;
}

// Walks a line from its lowest square in the given step; `first` is the lowest one.
Line diagonalLine(int first, int rankStep, int fileStep) {
  Line line{0, {}};
  for (int s = first; s != NO_SQUARE; s = stepSquare(s, rankStep, fileStep)) line.squares[line.length++] = s;
  return line;
}

// The lowest square of a square's a1-h8 diagonal (ascending rank) and of its
// h1-a8 diagonal (ascending file).
int diagA1H8First(int square) {
  int back = diagA1H8Position(square);
  return makeSquare(fileOf(square) - back, rankOf(square) - back);
}

int diagH1A8First(int square) {
  int back = diagH1A8Position(square);
  return makeSquare(fileOf(square) - back, rankOf(square) + back);
}

// Fills table[square][index] for a slider standing at `position` on `line`: the
// index gives the occupancy of positions 1..6, bits past the line's end ignored.
void buildLineEntries(Bitboard table[64][64], int square, const Line& line, int position) {
  for (int index = 0; index < 64; ++index) {
    int occupancy = (index << 1) & ((1 << line.length) - 1);
    Bitboard attacks = 0;
    for (int p = position - 1; p >= 0; --p) {
      attacks |= squareBit[line.squares[p]];
      if (occupancy & (1 << p)) break;
    }
    for (int p = position + 1; p < line.length; ++p) {
      attacks |= squareBit[line.squares[p]];
      if (occupancy & (1 << p)) break;
    }
    table[square][index] = attacks;
  }
}

void buildLineTables() {
  for (int s = 0; s < 64; ++s) {
    buildLineEntries(rankAttacks, s, rankLine(s), fileOf(s));
    buildLineEntries(fileAttacks, s, fileLine(s), rankOf(s));
    buildLineEntries(diagA1H8Attacks, s, diagonalLine(diagA1H8First(s), 1, 1), diagA1H8Position(s));
    buildLineEntries(diagH1A8Attacks, s, diagonalLine(diagH1A8First(s), -1, 1), diagH1A8Position(s));
  }
}

void buildRayTables() {
  for (int s = 0; s < 64; ++s) {
    for (int to = 0; to < 64; ++to) direction[s][to] = -1;
    rookLines[s] = bishopLines[s] = 0;
    for (int d = 0; d < 8; ++d) {
      ray[s][d] = 0;
      neighbour[s][d] = stepSquare(s, directionRankStep[d], directionFileStep[d]);
      for (int t = neighbour[s][d]; t != NO_SQUARE; t = stepSquare(t, directionRankStep[d], directionFileStep[d])) {
        ray[s][d] |= squareBit[t];
        direction[s][t] = static_cast<std::int8_t>(d);
      }
      (d < 4 ? rookLines : bishopLines)[s] |= ray[s][d];
    }
    knightAttacks[s] = 0;
    int count = 0;
    for (int k = 0; k < 8; ++k) {
      int t = stepSquare(s, knightRankStep[k], knightFileStep[k]);
      if (t == NO_SQUARE) continue;
      knightAttacks[s] |= squareBit[t];
      knightTargets[s][count++] = t;
    }
    knightTargets[s][count] = -1;
  }
  for (int d = 0; d < 8; ++d) ray[NO_SQUARE][d] = ~Bitboard{0};
}

// For each king square and target square, the first ray of each family from the
// target that enters the king's surroundings.
void buildKingZoneLines() {
  for (int k = 0; k < 64; ++k) {
    for (int t = 0; t < 64; ++t) {
      for (int family = 0; family < 2; ++family) {
        int entry = -1;
        for (int d = 4 * family; d < 4 * family + 4 && entry < 0; ++d) {
          Bitboard meet = ray[t][d] & kingAttacks[k];
          if (!meet) continue;
          int first = (d & 1) ? highestSquare(meet) : lowestSquare(meet);
          entry = first << 8 | (d * 16 + squareDistance(t, k));
        }
        kingZoneLine[k][family][t] = static_cast<std::int16_t>(entry);
      }
    }
  }
}

}  // namespace

void buildBoardTables() {
  buildLineTables();
  buildRayTables();
  buildKingZoneLines();
}

}  // namespace velt
