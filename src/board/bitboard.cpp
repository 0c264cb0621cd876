// The line-attack tables, rays, directions, knight and king-zone tables, built by the
// compiler.
#include "board/bitboard.h"

namespace velt {

namespace {

// A line through a square: its length and the square at each position on it.
struct Line {
  int length;
  int squares[8];
};

constexpr Line rankLine(int square) {
  Line line{8, {}};
  for (int p = 0; p < 8; ++p) line.squares[p] = makeSquare(p, rankOf(square));
  return line;
}

constexpr Line fileLine(int square) {
  Line line{8, {}};
  for (int p = 0; p < 8; ++p) line.squares[p] = makeSquare(fileOf(square), p);
  return line;
}

// Walks a line from its lowest square in the given step; `first` is the lowest one.
constexpr Line diagonalLine(int first, int rankStep, int fileStep) {
  Line line{0, {}};
  for (int s = first; s != NO_SQUARE; s = stepSquare(s, rankStep, fileStep)) line.squares[line.length++] = s;
  return line;
}

// The lowest square of a square's a1-h8 diagonal (ascending rank) and of its
// h1-a8 diagonal (ascending file).
constexpr int diagA1H8First(int square) {
  int back = diagA1H8Position(square);
  return makeSquare(fileOf(square) - back, rankOf(square) - back);
}

constexpr int diagH1A8First(int square) {
  int back = diagH1A8Position(square);
  return makeSquare(fileOf(square) - back, rankOf(square) + back);
}

// Fills entries[index] for a slider standing at `position` on `line`: the index
// gives the occupancy of positions 1..6, bits past the line's end ignored.
constexpr void buildLineEntries(Bitboard (&entries)[64], const Line& line, int position) {
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
    entries[index] = attacks;
  }
}

constexpr void buildLineTables(BoardTables& t) {
  for (int s = 0; s < 64; ++s) {
    buildLineEntries(t.rankAttacks[s], rankLine(s), fileOf(s));
    buildLineEntries(t.fileAttacks[s], fileLine(s), rankOf(s));
    buildLineEntries(t.diagA1H8Attacks[s], diagonalLine(diagA1H8First(s), 1, 1), diagA1H8Position(s));
    buildLineEntries(t.diagH1A8Attacks[s], diagonalLine(diagH1A8First(s), -1, 1), diagH1A8Position(s));
  }
}

constexpr void buildRayTables(BoardTables& t) {
  for (int s = 0; s < 64; ++s) {
    for (int to = 0; to < 64; ++to) t.direction[s][to] = -1;
    for (int d = 0; d < 8; ++d) {
      t.neighbour[s][d] = stepSquare(s, directionRankStep[d], directionFileStep[d]);
      for (int to = t.neighbour[s][d]; to != NO_SQUARE;
           to = stepSquare(to, directionRankStep[d], directionFileStep[d])) {
        t.ray[s][d] |= squareBit[to];
        t.direction[s][to] = static_cast<std::int8_t>(d);
      }
      (d < 4 ? t.rookLines : t.bishopLines)[s] |= t.ray[s][d];
    }
    int count = 0;
    for (int k = 0; k < 8; ++k) {
      int to = stepSquare(s, knightRankStep[k], knightFileStep[k]);
      if (to == NO_SQUARE) continue;
      t.knightAttacks[s] |= squareBit[to];
      t.knightTargets[s][count++] = to;
    }
    t.knightTargets[s][count] = -1;
  }
  for (int d = 0; d < 8; ++d) t.ray[NO_SQUARE][d] = ~Bitboard{0};
}

// For each king square and target square, the first ray of each family from the
// target that enters the king's surroundings.
constexpr void buildKingZoneLines(BoardTables& t) {
  for (int k = 0; k < 64; ++k) {
    for (int to = 0; to < 64; ++to) {
      for (int family = 0; family < 2; ++family) {
        int entry = -1;
        for (int d = 4 * family; d < 4 * family + 4 && entry < 0; ++d) {
          Bitboard meet = t.ray[to][d] & kingAttacks[k];
          if (!meet) continue;
          int first = (d & 1) ? highestSquare(meet) : lowestSquare(meet);
          entry = first << 8 | (d * 16 + squareDistance(to, k));
        }
        t.kingZoneLine[k][family][to] = static_cast<std::int16_t>(entry);
      }
    }
  }
}

constexpr BoardTables makeBoardTables() {
  BoardTables t{};
  buildLineTables(t);
  buildRayTables(t);
  buildKingZoneLines(t);
  return t;
}

}  // namespace

constinit const BoardTables boardTables = makeBoardTables();

}  // namespace velt
