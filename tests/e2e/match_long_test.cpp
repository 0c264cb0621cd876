// A hundred games of Velt against itself at 10 seconds plus 0.1 seconds a move, half
// through each protocol (played side by side), on one and on two search threads: no
// illegal move, no time loss, no crash, every game ended with the right result line.
// Then games at one second plus 10 ms, UCI against xboard, allowing 10 ms for the
// pipes: no time loss either.
#include <gtest/gtest.h>

#include <future>

#include "support/match_run.h"

namespace velt {

namespace {

void playHundredGames(int threads) {
  auto uci = std::async(std::launch::async, [=] { return runMatch("uci", "uci", 50, "10+0.1", 700, threads); });
  auto xboard =
      std::async(std::launch::async, [=] { return runMatch("xboard", "xboard", 50, "10+0.1", 700, threads); });
  for (const MatchSummary& summary : {uci.get(), xboard.get()}) {
    EXPECT_EQ(summary.value("games"), 50);
    expectCleanMatch(summary);
    std::printf("%s", summary.output.substr(summary.output.find("summary ")).c_str());
  }
}

TEST(MatchLong, HundredGamesInBothProtocols) { playHundredGames(1); }
TEST(MatchLong, HundredGamesOnTwoThreads) { playHundredGames(2); }

TEST(MatchLong, ShortClockGamesAreNotLostOnTime) {
  const MatchSummary summary = runMatch("uci", "xboard", 20, "1+0.01", 300, 1, 10);
  EXPECT_EQ(summary.value("games"), 20);
  expectCleanMatch(summary);
  std::printf("%s", summary.output.substr(summary.output.find("summary ")).c_str());
}

}  // namespace

}  // namespace velt
