// Games of Velt against itself: a few at 4 seconds plus 0.2 seconds a move through each
// protocol, on one and two threads (the increment is generous for the sanitizer build),
// then a hundred at 10 seconds plus 0.1 seconds a move, half through each protocol
// (played side by side), on one and on two search threads: no illegal move, no time
// loss, no crash, every game ended with the right result line.
// Six games on two slots at once, each played exactly once.
// Then games at one second plus 10 ms, UCI against xboard, allowing 10 ms for the
// pipes: no time loss either.
#include <gtest/gtest.h>

#include <future>

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

// Two slots at once: every game of the six is played exactly once, cleanly.
TEST(Match, ConcurrentSlotsPlayEveryGameOnce) {
  const MatchSummary summary = runMatch("uci", "xboard", 6, "4+0.2", 60, 1, 0, "-concurrency 2");
  EXPECT_EQ(summary.value("games"), 6);
  expectCleanMatch(summary);
  for (int round = 1; round <= 6; ++round) {
    const std::string line = "game " + std::to_string(round) + ":";
    const std::size_t at = summary.output.find(line);
    EXPECT_NE(at, std::string::npos) << line << "\n" << summary.output;
    EXPECT_EQ(summary.output.find(line, at + 1), std::string::npos) << line << "\n" << summary.output;
  }
}

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
