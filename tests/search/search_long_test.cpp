#include <gtest/gtest.h>

#include "support/search_fixture.h"

namespace velt {

namespace {

using DeepSearchTest = SearchFixture;

// A "Win at Chess" position whose solution needs more depth than the fast suite's
// searches go to (their positions: SearchTest.TacticsAndMates).
TEST_F(DeepSearchTest, DeeperTactics) {
  const SearchResult r = search("2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -", 10);
  EXPECT_EQ(r.move, "g3g6");
  EXPECT_GE(r.score, 300);
}

}  // namespace

}  // namespace velt
