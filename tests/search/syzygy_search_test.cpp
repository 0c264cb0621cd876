#include <gtest/gtest.h>

#include <string>

#include "board/coordinate.h"
#include "egtb/syzygy.h"
#include "shell/engine.h"
#include "support/board_setup.h"
#include "support/search_fixture.h"
#include "support/text_pattern.h"
#include "support/syzygy_positions.h"

namespace velt {

namespace {

// A queen ending where the rook attacks the queen: only a few moves keep the win.
const char* const ROOK_ATTACKS_QUEEN = "8/3k4/8/8/8/8/r3Q1K1/8 w - - 0 1";

class SyzygySearch : public SearchFixture {
 protected:
  void SetUp() override {
      SearchFixture::SetUp();
    ASSERT_EQ(loadSyzygy(engine().syzygy, TEST_SYZYGY_TABLES).largest, 4);
  }
  void TearDown() override { unloadSyzygy(engine().syzygy); }
};

long lastTbHits(const std::string& output) {
  const auto found = TextPattern("tbhits (\\d+)").findAll(output);
  return found.empty() ? -1 : std::stol(found.back()[0]);
}

SyzygyWdl verdictAfter(const char* fen, const std::string& move) {
  auto pos = positionFromFen(fen);
  SyzygyRoot ranking;
  EXPECT_TRUE(probeSyzygyRoot(*pos, ranking));
  for (int i = 0; i < ranking.count; ++i) {
    const SyzygyMoveOutcome& m = ranking.moves[i];
    if (moveToUci(makeMoveWord(m.from, m.to, 0)) == move.substr(0, 4)) return m.wdl;
  }
  ADD_FAILURE() << move << " is no move of " << fen;
  return SyzygyWdl::LOSS;
}

TEST_F(SyzygySearch, RootKeepsTheWinWhereMostMovesThrowItAway) {
  auto pos = positionFromFen(ROOK_ATTACKS_QUEEN);
  SyzygyRoot ranking;
  ASSERT_TRUE(probeSyzygyRoot(*pos, ranking));
  int winning = 0;
  for (int i = 0; i < ranking.count; ++i) winning += ranking.moves[i].wdl == SyzygyWdl::WIN;
  ASSERT_LT(4 * winning, ranking.count);
  for (const int depth : {1, 5}) {
    const SearchResult normal = search(ROOK_ATTACKS_QUEEN, depth);
    EXPECT_EQ(verdictAfter(ROOK_ATTACKS_QUEEN, normal.move), SyzygyWdl::WIN) << normal.move << " at depth " << depth;
    EXPECT_NE(normal.output.find("score cp 28000"), std::string::npos) << normal.output;
    EXPECT_GT(lastTbHits(normal.output), 0) << normal.output;
    const SearchResult decided = searchDecidedTo(ROOK_ATTACKS_QUEEN, depth);
    EXPECT_EQ(verdictAfter(ROOK_ATTACKS_QUEEN, decided.move), SyzygyWdl::WIN) << decided.move << " at depth " << depth;
  }
}

// Five men are beyond these tables: the hits come from the nodes after a capture.
TEST_F(SyzygySearch, NodesProbeRightAfterCaptures) {
  const SearchResult result = search("3k3r/8/8/8/3n4/8/8/3Q2K1 w - - 0 1", 5);
  EXPECT_GT(lastTbHits(result.output), 0) << result.output;
  engine().options.syzygyProbeLimit = 0;
  const SearchResult limited = search("3k3r/8/8/8/3n4/8/8/3Q2K1 w - - 0 1", 5);
  engine().options.syzygyProbeLimit = 7;
  EXPECT_EQ(lastTbHits(limited.output), 0) << limited.output;
}

}  // namespace

}  // namespace velt
