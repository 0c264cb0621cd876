#include "board/bitboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>

#include "board/attacks.h"
#include "search/worker.h"

namespace velt {

namespace {

class BitboardTest : public ::testing::Test {
 protected:
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

  std::unique_ptr<Worker> pos = std::make_unique<Worker>();
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

}  // namespace velt
