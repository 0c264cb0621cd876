// Games of Velt against itself through the game driver: six games on two slots at
// once, each played exactly once; a hundred at 10 seconds plus 0.1 seconds a move,
// half through each protocol (played side by side), on one and on two search threads;
// and games at one second plus 10 ms, UCI against xboard, allowing 10 ms for the
// pipes. No illegal move, no time loss, no crash, every game ended with the right
// result line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

namespace {

struct MatchSummary {
  std::map<std::string, int> values;  // key=value pairs of the summary line
  std::string output;                 // everything the driver printed
  std::string pgn;                    // the games as the driver wrote them
  int value(const std::string& key) const {
    const auto it = values.find(key);
    return it == values.end() ? -1 : it->second;
  }
};

// Plays `games` games from the positions of `positions` (by default
// tests/e2e/data/match_positions.txt) at the time control "BASE+INC" (seconds),
// adjudicating games longer than maxPlies as draws and forgiving overruns of the clock
// up to transportMs; both engines search on `threads` threads; `extraOptions` go to
// the driver as they are.
MatchSummary runMatch(const std::string& protocol1, const std::string& protocol2, int games,
                      const std::string& timeControl, int maxPlies, int threads = 1, int transportMs = 0,
                      const std::string& extraOptions = "",
                      const std::string& positions = VELT_SOURCE_DIR "/tests/e2e/data/match_positions.txt") {
  const std::filesystem::path engine = VELT_BINARY;
  const std::filesystem::path driver = engine.parent_path() / "match";
  TempDirectory directory;
  const std::string pgn = directory.path() + "/games.pgn";
  // The engines run in the directory, so that only its configuration file applies.
  if (threads > 1) directory.writeFile("velt.cfg", "MAX_THREADS = " + std::to_string(threads) + "\n");
  const std::string command = "cd '" + directory.path() + "' && '" + driver.string() + "' -e1 '" + engine.string() +
                              "' -p1 " + protocol1 + " -e2 '" + engine.string() + "' -p2 " + protocol2 +
                              " -games " + std::to_string(games) + " -tc " + timeControl + " -maxplies " +
                              std::to_string(maxPlies) + " -transport " + std::to_string(transportMs) + " -positions '" +
                              positions + "' -pgn '" + pgn + "' -results " +
                              extraOptions + " 2>&1";
  MatchSummary summary;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return summary;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) summary.output += buffer;
  pclose(pipe);
  const std::size_t at = summary.output.find("summary ");
  if (at != std::string::npos) {
    std::istringstream fields(summary.output.substr(at + 8, summary.output.find('\n', at) - at - 8));
    for (std::string field; fields >> field;) {
      const std::size_t equals = field.find('=');
      if (equals != std::string::npos) summary.values[field.substr(0, equals)] = std::stoi(field.substr(equals + 1));
    }
  }
  // Every game is in the PGN file with its result.
  std::FILE* file = std::fopen(pgn.c_str(), "r");
  int results = 0;
  if (file != nullptr) {
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
      results += std::string(buffer).rfind("[Result ", 0) == 0;
      summary.pgn += buffer;
    }
    std::fclose(file);
  }
  summary.values["pgn_games"] = results;
  return summary;
}

// All games played, and none with an illegal move, a time loss, a crash, no play or a
// wrong result line.
void expectCleanMatch(const MatchSummary& summary, int games) {
  EXPECT_EQ(summary.value("games"), games) << summary.output;
  for (const char* fault : {"illegal", "timeloss", "crash", "wrong_result", "unplayed"}) {
    EXPECT_EQ(summary.value(fault), 0) << fault << "\n" << summary.output;
  }
  EXPECT_EQ(summary.value("pgn_games"), games) << summary.output;
}

// Two slots at once: every game of the six is played exactly once, cleanly.
TEST(Match, ConcurrentSlotsPlayEveryGameOnce) {
  const MatchSummary summary = runMatch("uci", "xboard", 6, "4+0.2", 60, 1, 0, "-concurrency 2");
  expectCleanMatch(summary, 6);
  for (int round = 1; round <= 6; ++round) {
    const std::string line = "game " + std::to_string(round) + ":";
    const std::size_t at = summary.output.find(line);
    EXPECT_NE(at, std::string::npos) << line << "\n" << summary.output;
    EXPECT_EQ(summary.output.find(line, at + 1), std::string::npos) << line << "\n" << summary.output;
  }
}

// On node counts the same command plays the same games, whatever the two slots' speed:
// the file holds them in round order, and only the thinking times differ. The counts'
// variation by round makes the two games of a pair differ.
TEST(Match, NodeCountsPlayTheSameGamesOnEveryRun) {
  const auto games = [] {
    const MatchSummary summary = runMatch("uci", "uci", 4, "1+0.01", 120, 1, 0, "-nodes 400 -nodevary 25 -concurrency 2");
    expectCleanMatch(summary, 4);
    EXPECT_EQ(summary.value("pairs"), 2) << summary.output;  // the Elo of the summary counts both pairs
    return std::regex_replace(summary.pgn, std::regex(" [0-9]+\\.[0-9]{3}s\\}"), "}");
  };
  const std::string first = games();
  EXPECT_EQ(games(), first);
  std::vector<std::string> rounds, movetexts;
  std::istringstream lines(first);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("[Round ", 0) == 0) rounds.push_back(line);
    if (line.rfind("[Event ", 0) == 0) movetexts.emplace_back();
    if (!line.empty() && line[0] != '[' && !movetexts.empty()) movetexts.back() += line + "\n";
  }
  EXPECT_EQ(rounds, (std::vector<std::string>{"[Round \"1\"]", "[Round \"2\"]", "[Round \"3\"]", "[Round \"4\"]"}));
  ASSERT_EQ(movetexts.size(), 4u) << first;
  EXPECT_NE(movetexts[0], movetexts[1]);
}

// A start position whose game is over already (here black is mated) or that is no
// position at all is left out with a note, not played and scored as an illegal move.
TEST(Match, StartPositionsThatCannotBePlayedAreLeftOut) {
  TempDirectory directory;
  directory.writeFile("positions.txt",
                      "r2q1bnr/ppp1kBpp/3p4/3NN3/4P3/8/PP3PPP/R1Bb1RK1 b - - 2 10\n"
                      "not a position\n"
                      "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\n");
  const MatchSummary summary =
      runMatch("uci", "xboard", 2, "2+0.02", 60, 1, 0, "", directory.path() + "/positions.txt");
  expectCleanMatch(summary, 2);
  EXPECT_NE(summary.output.find("R1Bb1RK1 b - - 2 10: the game is over already; left out"), std::string::npos)
      << summary.output;
  EXPECT_NE(summary.output.find("not a position: not a position the referee takes; left out"), std::string::npos)
      << summary.output;
  EXPECT_EQ(summary.value("mate"), 2) << summary.output;
}

void playHundredGames(int threads) {
  auto uci = std::async(std::launch::async, [=] { return runMatch("uci", "uci", 50, "10+0.1", 700, threads); });
  auto xboard =
      std::async(std::launch::async, [=] { return runMatch("xboard", "xboard", 50, "10+0.1", 700, threads); });
  for (const MatchSummary& summary : {uci.get(), xboard.get()}) {
    expectCleanMatch(summary, 50);
    std::printf("%s", summary.output.substr(summary.output.find("summary ")).c_str());
  }
}

TEST(MatchLong, HundredGamesInBothProtocols) { playHundredGames(1); }
TEST(MatchLong, HundredGamesOnTwoThreads) { playHundredGames(2); }

TEST(MatchLong, ShortClockGamesAreNotLostOnTime) {
  const MatchSummary summary = runMatch("uci", "xboard", 20, "1+0.01", 300, 1, 10);
  expectCleanMatch(summary, 20);
  std::printf("%s", summary.output.substr(summary.output.find("summary ")).c_str());
}

}  // namespace

}  // namespace velt
