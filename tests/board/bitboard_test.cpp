#include "board/bitboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>

#include "board/attacks.h"

namespace {

class BitboardTest : public ::testing::Test {
 protected:
  void SetUp() override { buildBoardTables(); }

  // A position holding only the occupancy boards, as make-move keeps them.
  void setOccupancy(Bitboard occupancy) {
    pos->occupied = occupancy;
    pos->occupiedFile = pos->occupiedDiagA1H8 = pos->occupiedDiagH1A8 = 0;
    for (int s = 0; s < 64; ++s) {
      if (!(occupancy & squareBit[s])) continue;
      pos->occupiedFile |= fileBit[s];
      pos->occupiedDiagA1H8 |= diagA1H8Bit[s];
      pos->occupiedDiagH1A8 |= diagH1A8Bit[s];
    }
  }

  std::unique_ptr<Position> pos = std::make_unique<Position>();
};

Bitboard bit(int square) { return Bitboard{1} << square; }

// Slider attacks by stepping square by square until a man blocks.
Bitboard walkAttacks(Bitboard occupancy, int square, int firstDirection) {
  Bitboard attacks = 0;
  for (int d = firstDirection; d < firstDirection + 4; ++d) {
    for (int s = stepSquare(square, directionRankStep[d], directionFileStep[d]); s != NO_SQUARE;
         s = stepSquare(s, directionRankStep[d], directionFileStep[d])) {
      attacks |= bit(s);
      if (occupancy & bit(s)) break;
    }
  }
  return attacks;
}

TEST_F(BitboardTest, SliderAttacksMatchRayWalksForRandomOccupancies) {
  std::mt19937_64 random(12345);
  for (int square = 0; square < 64; ++square) {
    for (int trial = 0; trial < 300; ++trial) {
      // Alternate dense and sparse boards so that long and short lines both occur.
      Bitboard occupancy = random() & random();
      if (trial & 1) occupancy &= random();
      if (trial == 0) occupancy = 0;
      setOccupancy(occupancy);
      ASSERT_EQ(rookAttacks(*pos, square), walkAttacks(occupancy, square, NORTH)) << square << " " << occupancy;
      ASSERT_EQ(bishopAttacks(*pos, square), walkAttacks(occupancy, square, NORTH_WEST))
          << square << " " << occupancy;
      ASSERT_EQ(queenAttacks(*pos, square), rookAttacks(*pos, square) | bishopAttacks(*pos, square));
    }
  }
}

TEST_F(BitboardTest, SliderEdgeCases) {
  setOccupancy(0);
  EXPECT_EQ(popCount(rookAttacks(*pos, A1)), 14);
  EXPECT_EQ(bishopAttacks(*pos, H1), bit(14) | bit(21) | bit(28) | bit(35) | bit(42) | bit(49) | bit(A8));
  EXPECT_EQ(bishopAttacks(*pos, A8), walkAttacks(0, A8, NORTH_WEST));
  EXPECT_EQ(popCount(bishopAttacks(*pos, A8)), 7);
  EXPECT_EQ(popCount(bishopAttacks(*pos, A1)), 7);
  EXPECT_EQ(popCount(bishopAttacks(*pos, H8)), 7);

  setOccupancy(bit(24) | bit(D1));  // a4, d1
  EXPECT_EQ(rookAttacks(*pos, A1), bit(8) | bit(16) | bit(24) | bit(B1) | bit(C1) | bit(D1));

  // b1 lies on the next diagonal of the rotated board yet inside c1's index.
  setOccupancy(0);
  Bitboard fromC1 = bishopAttacks(*pos, C1);
  setOccupancy(bit(B1));
  EXPECT_EQ(bishopAttacks(*pos, C1), fromC1);

  // The long diagonals' indexes straddle the two 32-bit halves of their boards.
  const int d5 = 35, d4 = 27;
  EXPECT_EQ(diagH1A8Shift[d5], 29);
  EXPECT_EQ(diagA1H8Shift[d4], 29);
  for (Bitboard occupancy : {Bitboard{0}, bit(26) | bit(44), bit(17) | bit(62), bit(28) | bit(42) | bit(8),
                             bit(18) | bit(36) | bit(45), bit(9) | bit(54) | bit(20)}) {
    setOccupancy(occupancy);
    EXPECT_EQ(bishopAttacks(*pos, d5), walkAttacks(occupancy, d5, NORTH_WEST)) << occupancy;
    EXPECT_EQ(bishopAttacks(*pos, d4), walkAttacks(occupancy, d4, NORTH_WEST)) << occupancy;
  }
}

TEST_F(BitboardTest, RotatedMappingsAndShifts) {
  EXPECT_EQ(fileBit[H1], bit(0));
  EXPECT_EQ(fileBit[H1 + 8], bit(1));
  EXPECT_EQ(fileBit[A8], bit(63));
  EXPECT_EQ(diagA1H8Bit[H1], bit(0));
  EXPECT_EQ(diagA1H8Bit[G1], bit(1));
  EXPECT_EQ(diagA1H8Bit[H1 + 8], bit(2));
  EXPECT_EQ(diagA1H8Bit[A1], bit(28));
  EXPECT_EQ(diagA1H8Bit[H8], bit(35));
  EXPECT_EQ(diagA1H8Bit[A8], bit(63));
  EXPECT_EQ(diagH1A8Bit[A1], bit(0));
  EXPECT_EQ(diagH1A8Bit[A1 + 8], bit(1));
  EXPECT_EQ(diagH1A8Bit[B1], bit(2));
  EXPECT_EQ(diagH1A8Bit[H1], bit(35));
  EXPECT_EQ(diagH1A8Bit[H8], bit(63));

  Bitboard allFile = 0, allA1H8 = 0, allH1A8 = 0;
  for (int s = 0; s < 64; ++s) {
    allFile |= fileBit[s];
    allA1H8 |= diagA1H8Bit[s];
    allH1A8 |= diagH1A8Bit[s];
    EXPECT_EQ(squareClear[s], ~squareBit[s]);
    EXPECT_EQ(diagH1A8Clear[s], ~diagH1A8Bit[s]);
  }
  EXPECT_EQ(allFile, ~Bitboard{0});
  EXPECT_EQ(allA1H8, ~Bitboard{0});
  EXPECT_EQ(allH1A8, ~Bitboard{0});

  const int shifts[15] = {1, 2, 4, 7, 11, 16, 22, 29, 37, 44, 50, 55, 59, 62, 64};
  for (int i = 0; i < 15; ++i) {
    int fromH1 = i <= 7 ? makeSquare(7 - i, 0) : makeSquare(0, i - 7);  // rank - file = i - 7
    int fromA1 = i <= 7 ? makeSquare(0, i) : makeSquare(i - 7, 7);      // rank + file = i
    EXPECT_EQ(diagA1H8Shift[fromH1], shifts[i]);
    EXPECT_EQ(diagH1A8Shift[fromA1], shifts[i]);
    EXPECT_EQ(diagA1H8Length[fromH1], i <= 7 ? i + 1 : 15 - i);
  }
  EXPECT_EQ(rankShift[H8], 57);
  EXPECT_EQ(fileShift[A1], 57);
  EXPECT_EQ(fileShift[H8], 1);
}

TEST_F(BitboardTest, DirectionsRaysAndNeighbours) {
  const int h4 = 31, f3 = 21;
  EXPECT_EQ(direction[E1][h4], NORTH_EAST);
  EXPECT_EQ(direction[E1][f3], -1);
  EXPECT_EQ(direction[h4][E1], SOUTH_WEST);
  EXPECT_EQ(direction[E1][E1], -1);
  EXPECT_EQ(direction[A1][H8], NORTH_EAST);
  EXPECT_EQ(direction[H1][A1], WEST);
  for (int d = 0; d < 8; ++d) EXPECT_EQ(ray[NO_SQUARE][d], ~Bitboard{0});
  EXPECT_EQ(ray[H1][EAST], 0u);
  EXPECT_EQ(ray[A1][NORTH_EAST] & bit(H8), bit(H8));
  EXPECT_EQ(neighbour[H1][EAST], NO_SQUARE);
  EXPECT_EQ(neighbour[A8][NORTH], NO_SQUARE);
  EXPECT_EQ(neighbour[E1][NORTH_WEST], 11);
  setOccupancy(0);
  for (int s = 0; s < 64; ++s) {
    EXPECT_EQ(rookLines[s], rookAttacks(*pos, s));
    EXPECT_EQ(bishopLines[s], bishopAttacks(*pos, s));
    EXPECT_EQ(popCount(rookLines[s]), 14);
    for (int d = 0; d < 8; ++d) {
      // Opposite rays of a line never overlap and each target sees the way back.
      EXPECT_EQ(ray[s][d] & ray[s][d ^ 1], 0u);
      for (Bitboard targets = ray[s][d]; targets; targets &= targets - 1) {
        EXPECT_EQ(direction[lowestSquare(targets)][s], d ^ 1);
      }
    }
  }
}

TEST_F(BitboardTest, KnightKingAndPawnTables) {
  int knightMoves = 0, kingMoves = 0;
  for (int s = 0; s < 64; ++s) {
    knightMoves += popCount(knightAttacks[s]);
    kingMoves += popCount(kingAttacks[s]);
    Bitboard listed = 0;
    int count = 0;
    for (; knightTargets[s][count] >= 0; ++count) listed |= bit(knightTargets[s][count]);
    EXPECT_EQ(listed, knightAttacks[s]);
    EXPECT_EQ(count, popCount(knightAttacks[s]));
  }
  EXPECT_EQ(knightMoves, 336);
  EXPECT_EQ(kingMoves, 420);
  EXPECT_EQ(knightTargets[A1][0], 17);  // b3: +17 comes before +10
  EXPECT_EQ(knightTargets[A1][1], 10);
  EXPECT_EQ(knightTargets[A1][2], -1);
  EXPECT_EQ(kingAttacks[H1], bit(G1) | bit(14) | bit(15));

  const int e4 = 28, a4 = 24, e5 = 36;
  EXPECT_EQ(pawnAttackers[WHITE][e4], bit(19) | bit(21));
  EXPECT_EQ(pawnAttackers[BLACK][e4], bit(35) | bit(37));
  EXPECT_EQ(pawnAttackers[WHITE][a4], bit(17));
  EXPECT_EQ(pawnAttackers[WHITE][E1], 0u);
  EXPECT_EQ(pawnAttackers[BLACK][E8], 0u);
  EXPECT_EQ(pawnAttacks(WHITE, e4), bit(35) | bit(37));
  EXPECT_EQ(pawnAttacks(BLACK, e5), bit(27) | bit(29));
}

TEST_F(BitboardTest, KingZoneLines) {
  const int a7 = 48, f2 = 13, e2 = 12, h4 = 31;
  // From a7 the south-east diagonal reaches f2 first of g1's surroundings.
  EXPECT_EQ(kingZoneLine[G1][1][a7], f2 << 8 | (SOUTH_EAST * 16 + 6));
  EXPECT_EQ(kingZoneLine[G1][0][a7], -1);
  // From e8 the file down to e1 meets e2 first.
  EXPECT_EQ(kingZoneLine[E1][0][E8], e2 << 8 | (SOUTH * 16 + 7));
  // Along rank 2 from a2 eastward the first square next to e1 is d2.
  EXPECT_EQ(kingZoneLine[E1][0][8], 11 << 8 | (EAST * 16 + 4));
  EXPECT_EQ(kingZoneLine[E1][1][h4], f2 << 8 | (SOUTH_WEST * 16 + 3));
}

TEST_F(BitboardTest, ScansAndCounts) {
  EXPECT_EQ(lowestSquare(0), NO_SQUARE);
  EXPECT_EQ(highestSquare(0), NO_SQUARE);
  EXPECT_EQ(lowestSquare(bit(63)), 63);
  EXPECT_EQ(highestSquare(bit(0) | bit(40)), 40);
  EXPECT_EQ(lowestSquare(bit(33) | bit(40)), 33);
  EXPECT_EQ(popCount(~Bitboard{0}), 64);
  EXPECT_EQ(popCount(bit(31) | bit(32)), 2);
  EXPECT_EQ(lineIndex(~Bitboard{0}, 64), 63);
  EXPECT_EQ(lineIndex(bit(29) | bit(34) | bit(35), 29), 0b100001);
}

TEST_F(BitboardTest, FirstManInDirection) {
  setOccupancy(bit(E1) | bit(E8) | bit(36) | bit(B1) | bit(A1));
  EXPECT_EQ(firstManInDirection(*pos, E1, NORTH), 36);
  EXPECT_EQ(firstManInDirection(*pos, E8, SOUTH), 36);
  EXPECT_EQ(firstManInDirection(*pos, E1, WEST), B1);
  EXPECT_EQ(firstManInDirection(*pos, E1, EAST), NO_SQUARE);
  EXPECT_EQ(firstManInDirection(*pos, E1, SOUTH), NO_SQUARE);
}

TEST(ZobristKeys, DistinctAndNonZero) {
  std::set<std::uint64_t> keys{sideKey};
  std::size_t total = 1;
  for (const auto& piece : pieceSquareKey) {
    for (std::uint64_t key : piece) keys.insert(key), ++total;
  }
  for (std::uint64_t key : castleKey) keys.insert(key), ++total;
  for (std::uint64_t key : epKey) keys.insert(key), ++total;
  EXPECT_EQ(total, 849u);
  EXPECT_EQ(keys.size(), total);
  EXPECT_EQ(keys.count(0), 0u);
  EXPECT_EQ(castleKey[15], 0x07423BF4233AEFD9ULL);
  EXPECT_EQ(sideKey, 0xC139B61D3DA793B1ULL);
}

}  // namespace
