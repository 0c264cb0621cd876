// The whole shared Syzygy set (three and four men, four pawnless five-men tables)
// against the engine's own tables and against itself through the engine's moves.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>

#include "egtb/syzygy.h"
#include "support/board_setup.h"
#include "support/syzygy_positions.h"

namespace velt {

namespace {

const std::string SHARED_TABLES = VELT_SOURCE_DIR "/../shared/data/syzygy";

class SyzygyLong : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(SHARED_TABLES)) GTEST_SKIP() << "no shared Syzygy set";
    const SyzygyLoadReport report = loadSyzygy(tables, SHARED_TABLES);
    ASSERT_TRUE(report.faults.empty()) << report.faults.front();
    ASSERT_EQ(report.largest, 5);
  }
  SyzygyTables tables;
};

TEST_F(SyzygyLong, FourMenVerdictsAgreeWithOwnTables) {
  std::mt19937 random(436);
  for (const auto& [ownClass, men] : {std::pair{"kqkr", "KQkr"}, {"krkp", "KRkp"}}) {
    expectVerdictsAgreeWithOwnTable(ownClass, men, 200, random);
  }
}

TEST_F(SyzygyLong, FiveMenVerdictsFollowFromTheirMoves) {
  std::mt19937 random(536);
  for (const char* men : {"KRBkr", "KRNkr", "KBBkn", "KBNkb"}) {
    for (int i = 0; i < 100; ++i) {
      const std::string fen = randomPlacementFen(men, i % 2 == 0 ? WHITE : BLACK, random);
      auto pos = positionFromFen(fen.c_str());
      SyzygyWdl wdl, expected;
      ASSERT_TRUE(probeSyzygyWdl(*pos, wdl)) << fen;
      ASSERT_TRUE(verdictByMoves(*pos, expected)) << fen;
      EXPECT_EQ(effectiveWdl(wdl, false), expected) << fen;
    }
  }
}

}  // namespace

}  // namespace velt
