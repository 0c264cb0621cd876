// The game driver plays short games of Velt against itself through each protocol:
// every move legal, no time loss, no crash, and the right result line at the end. The
// increment is generous because the sanitizer build runs these games too.
#include <gtest/gtest.h>

#include "support/match_run.h"

namespace velt {

namespace {

TEST(Match, UciGamesPlayCleanly) {
  const MatchSummary summary = runMatch("uci", "uci", 2, "4+0.2", 100);
  EXPECT_EQ(summary.value("games"), 2);
  expectCleanMatch(summary);
}

TEST(Match, XboardGamesPlayCleanly) {
  const MatchSummary summary = runMatch("xboard", "xboard", 2, "4+0.2", 100);
  EXPECT_EQ(summary.value("games"), 2);
  expectCleanMatch(summary);
}

// The parallel search in play: one game through each protocol on two threads.
TEST(Match, GamesOnTwoThreadsPlayCleanly) {
  for (const char* protocol : {"uci", "xboard"}) {
    const MatchSummary summary = runMatch(protocol, protocol, 1, "4+0.2", 100, 2);
    EXPECT_EQ(summary.value("games"), 1) << protocol;
    expectCleanMatch(summary);
  }
}

}  // namespace

}  // namespace velt
