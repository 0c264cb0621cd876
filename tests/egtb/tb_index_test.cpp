#include "egtb/tb_index.h"

#include <gtest/gtest.h>

#include "support/tb_placements.h"

namespace velt {

namespace {

TEST(TablebaseIndex, ClassTableAndPositionCounts) {
  initTablebaseIndex();
  const struct {
    int number;
    const char* name;
  } names[] = {{0, "kk"}, {5, "kqk"}, {20, "kqkq"}, {21, "kppk"}, {35, "kqqk"}, {36, "kppkp"}, {110, "kqqkq"}};
  for (const auto& n : names) EXPECT_STREQ(tablebaseClass(n.number).name, n.name);
  // The counts of the original files, which this numbering reproduces.
  EXPECT_EQ(tablebaseClass(1).positionCount[0], 81664u);
  EXPECT_EQ(tablebaseClass(1).positionCount[1], 84012u);
  EXPECT_EQ(tablebaseClass(110).positionCount[0], 41944320u);
  EXPECT_EQ(tablebaseClass(110).positionCount[1], 46912050u);
  EXPECT_EQ(tablebaseClass(20).flags & TB_SYMMETRIC, TB_SYMMETRIC);
  EXPECT_EQ(tablebaseClass(19).flags & TB_SYMMETRIC, 0);
  EXPECT_EQ(tablebaseClass(6).flags & TB_SYMMETRIC, 0);  // "kpkp" has both files
  // The last entry of "kpk" with black to move is 84011.
  TablebasePieceLists lists;
  int ep;
  EXPECT_TRUE(tablebasePosition(1, 1, 84011, lists, ep));
  EXPECT_FALSE(tablebasePosition(1, 1, 84012, lists, ep));
  int krpk[10] = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0}, exchanged[10] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  EXPECT_EQ(tablebaseClassOfCounts(krpk), tablebaseClassByName("krpk"));
  EXPECT_EQ(tablebaseClassOfCounts(exchanged), -tablebaseClassByName("krpk"));
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

}  // namespace velt
