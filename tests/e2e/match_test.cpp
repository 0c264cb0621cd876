// The game driver plays short games of Velt against itself through each protocol:
// every move legal, no time loss, no crash, and the right result line at the end.
#include <gtest/gtest.h>

#include "support/match_run.h"

namespace {

TEST(Match, UciGamesPlayCleanly) {
  const MatchSummary summary = runMatch("uci", "uci", 2, "3+0.1", 160);
  EXPECT_EQ(summary.value("games"), 2);
  expectCleanMatch(summary);
}

TEST(Match, XboardGamesPlayCleanly) {
  const MatchSummary summary = runMatch("xboard", "xboard", 2, "3+0.1", 160);
  EXPECT_EQ(summary.value("games"), 2);
  expectCleanMatch(summary);
}

TEST(Match, UciAgainstXboard) {
  const MatchSummary summary = runMatch("uci", "xboard", 2, "3+0.1", 160);
  EXPECT_EQ(summary.value("games"), 2);
  expectCleanMatch(summary);
}

}  // namespace
