#include "egtb/tb_index.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "board/types.h"
#include "support/tb_placements.h"

namespace {

TEST(TablebaseIndex, ClassTableAndPositionCounts) {
  initTablebaseIndex();
  const struct {
    int number;
    const char* name;
    std::uint32_t white, black;
  } known[] = {{0, "kk", 0, 0},          {1, "kpk", 81664, 84012},  {5, "kqk", 0, 0},
               {20, "kqkq", 0, 0},       {21, "kppk", 0, 0},        {35, "kqqk", 0, 0},
               {36, "kppkp", 0, 0},      {110, "kqqkq", 41944320, 46912050}};
  for (const auto& k : known) {
    EXPECT_STREQ(tablebaseClass(k.number).name, k.name);
    EXPECT_EQ(tablebaseClassByName(k.name), k.number);
    if (k.white) {
      EXPECT_EQ(tablebaseClass(k.number).positionCount[0], k.white) << k.name;
      EXPECT_EQ(tablebaseClass(k.number).positionCount[1], k.black) << k.name;
    }
  }
  EXPECT_EQ(tablebaseClass(20).flags & TB_SYMMETRIC, TB_SYMMETRIC);
  EXPECT_EQ(tablebaseClass(19).flags & TB_SYMMETRIC, 0);
  // The last entry of "kpk" with black to move is 84011.
  TablebasePieceLists lists;
  int ep;
  tablebasePosition(1, 1, 84011, lists, ep);
  EXPECT_LE(ep, TB_NO_EP);
  EXPECT_FALSE(tablebasePosition(1, 1, 84012, lists, ep));
}

TEST(TablebaseIndex, ClassLookupByCountsAndColours) {
  initTablebaseIndex();
  int krpk[10] = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  int exchanged[10] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  int threeKnights[10] = {0, 3, 0, 0, 0, 0, 0, 0, 0, 0};
  int fourPawns[10] = {4, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  int krkr[10] = {0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  EXPECT_EQ(tablebaseClassOfCounts(krpk), tablebaseClassByName("krpk"));
  EXPECT_EQ(tablebaseClassOfCounts(exchanged), -tablebaseClassByName("krpk"));
  EXPECT_EQ(tablebaseClassOfCounts(threeKnights), 0);
  EXPECT_EQ(tablebaseClassOfCounts(fourPawns), 0);
  EXPECT_EQ(tablebaseClassOfCounts(krkr), tablebaseClassByName("krkr"));
}

// Every placement of a class (both sides to move) against its whole symmetry orbit,
// the colour-exchanged board included, and back through the decoder.
TEST(TablebaseIndex, WholeThreeMenClassesRoundTrip) {
  initTablebaseIndex();
  for (const char* name : {"kpk", "krk"}) {
    const OrbitCheck result = checkClassOrbits(tablebaseClassByName(name), 0, 1);
    EXPECT_EQ(result.failures, 0) << name << ": " << result.firstFailure;
    EXPECT_GT(result.placements, 100000u) << name;
    EXPECT_EQ(result.indicesHit, result.indicesDecodable) << name;
  }
}

TEST(TablebaseIndex, SampledFourAndFiveMenClassesRoundTrip) {
  initTablebaseIndex();
  for (const char* name : {"kpkp", "kbkb", "kqkr", "kppk", "krpk", "knnk", "kqqkq", "kppkp", "krpkp"}) {
    const OrbitCheck result = checkClassOrbits(tablebaseClassByName(name), 20000, 7);
    EXPECT_EQ(result.failures, 0) << name << ": " << result.firstFailure;
  }
}

TEST(TablebaseIndex, EnPassantPositionsHaveTheirOwnRange) {
  initTablebaseIndex();
  for (const char* name : {"kpkp", "krpkp", "kppkp"}) {
    const OrbitCheck result = checkEnPassantOrbits(tablebaseClassByName(name), 20000, 11);
    EXPECT_EQ(result.failures, 0) << name << ": " << result.firstFailure;
    EXPECT_GT(result.placements, 1000u) << name;
  }
}

}  // namespace
