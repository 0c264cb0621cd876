// Runs the game driver (built next to the engine) with Velt on both sides and reads
// its summary line.
#pragma once

#include <map>
#include <string>

namespace velt {

struct MatchSummary {
  std::map<std::string, int> values;  // key=value pairs of the summary line
  std::string output;                 // everything the driver printed
  int value(const std::string& key) const {
    const auto it = values.find(key);
    return it == values.end() ? -1 : it->second;
  }
};

// Plays `games` games from the positions of tests/e2e/data/match_positions.txt at the
// time control "BASE+INC" (seconds), adjudicating games longer than maxPlies as draws
// and forgiving overruns of the clock up to transportMs; both engines search on
// `threads` threads; `extraOptions` go to the driver as they are.
MatchSummary runMatch(const std::string& protocol1, const std::string& protocol2, int games,
                      const std::string& timeControl, int maxPlies, int threads = 1, int transportMs = 0,
                      const std::string& extraOptions = "");
// No illegal move, time loss, crash, unplayed game or wrong result line.
void expectCleanMatch(const MatchSummary& summary);

}  // namespace velt
