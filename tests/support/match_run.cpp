// Starting the game driver from the tests.
#include "support/match_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/engine_process.h"

namespace velt {

MatchSummary runMatch(const std::string& protocol1, const std::string& protocol2, int games,
                      const std::string& timeControl, int maxPlies, int threads, int transportMs,
                      const std::string& extraOptions) {
  const std::filesystem::path engine = VELT_BINARY;
  const std::filesystem::path driver = engine.parent_path() / "match";
  TempDirectory directory;
  const std::string pgn = directory.path() + "/games.pgn";
  // The engines run in the directory, so that only its configuration file applies.
  if (threads > 1) directory.writeFile("velt.cfg", "MAX_THREADS = " + std::to_string(threads) + "\n");
  const std::string command = "cd '" + directory.path() + "' && '" + driver.string() + "' -e1 '" + engine.string() +
                              "' -p1 " + protocol1 + " -e2 '" + engine.string() + "' -p2 " + protocol2 +
                              " -games " + std::to_string(games) + " -tc " + timeControl + " -maxplies " +
                              std::to_string(maxPlies) + " -transport " + std::to_string(transportMs) + " -positions '" + VELT_SOURCE_DIR +
                              "/tests/e2e/data/match_positions.txt' -pgn '" + pgn + "' -results " + extraOptions + " 2>&1";
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
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) results += std::string(buffer).rfind("[Result ", 0) == 0;
    std::fclose(file);
  }
  summary.values["pgn_games"] = results;
  return summary;
}

void expectCleanMatch(const MatchSummary& summary) {
  EXPECT_EQ(summary.value("illegal"), 0) << summary.output;
  EXPECT_EQ(summary.value("timeloss"), 0) << summary.output;
  EXPECT_EQ(summary.value("crash"), 0) << summary.output;
  EXPECT_EQ(summary.value("wrong_result"), 0) << summary.output;
  EXPECT_EQ(summary.value("unplayed"), 0) << summary.output;
  EXPECT_EQ(summary.value("pgn_games"), summary.value("games")) << summary.output;
}

}  // namespace velt
