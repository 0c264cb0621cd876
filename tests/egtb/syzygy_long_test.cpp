// The whole shared Syzygy set (three and four men, four pawnless five-men tables)
// against the engine's own tables and against itself through the engine's moves.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "egtb/syzygy.h"
#include "egtb/tb_generate.h"
#include "egtb/tb_probe.h"
#include "support/board_setup.h"
#include "support/syzygy_positions.h"
#include "support/tb_verify.h"

namespace velt {

namespace {

const std::string SHARED_TABLES = VELT_SOURCE_DIR "/../shared/data/syzygy";

class SyzygyLong : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!syzygyAvailable() || !std::filesystem::is_directory(SHARED_TABLES)) GTEST_SKIP() << "no shared Syzygy set";
    const SyzygyLoadReport report = loadSyzygy(tables, SHARED_TABLES);
    ASSERT_TRUE(report.faults.empty()) << report.faults.front();
    ASSERT_EQ(report.largest, 5);
  }
  SyzygyTables tables;
};

TEST_F(SyzygyLong, FourMenVerdictsAgreeWithOwnTables) {
  TablebaseSet set;
  std::mt19937 random(436);
  const struct {
    const char* ownClass;
    const char* men;
  } classes[] = {{"kqkr", "KQkr"}, {"krkp", "KRkp"}};
  for (const auto& c : classes) {
    generateWithSuccessors(tablebaseClassByName(c.ownClass), set);
    for (int i = 0; i < 200; ++i) {
      const std::string fen = randomPlacementFen(c.men, i % 2 == 0 ? WHITE : BLACK, random);
      auto pos = positionFromFen(fen.c_str());
      TablebaseEntry entry;
      ASSERT_TRUE(tablebaseEntryOf(*pos, entry)) << fen;
      const int stored = set.entries[entry.classNumber][entry.side][entry.index];
      SyzygyWdl wdl;
      ASSERT_TRUE(probeSyzygyWdl(*pos, wdl)) << fen;
      const SyzygyWdl own = stored > 0 ? SyzygyWdl::WIN : stored < 0 ? SyzygyWdl::LOSS : SyzygyWdl::DRAW;
      EXPECT_EQ(effectiveWdl(wdl, false), own) << fen;
    }
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
