// "/AI": the engine shows what an analysis file holds and ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/analysis_file.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

Lines inspect(const std::string& path, int* exitCode) {
  EngineLaunch launch;
  launch.arguments = {"/AI", path};
  EngineProcess engine(launch);
  Lines lines = engine.readAll();
  *exitCode = engine.waitForExit();
  return Lines(lines.begin() + std::min<std::size_t>(3, lines.size()), lines.end());  // after the banner
}

// A file made by a short search in an 8 MB table, shown by an engine whose table has
// the default 64 MB: it takes the file's size and lists the analysed moves.
TEST(InspectAnalysisFile, ShowsTheFileAndItsBestMoves) {
  TempDirectory dir;
  const std::string path = dir.path() + "/italian.dat";
  const std::uint32_t savedOptionMask = options.ttIndexMask;
  const bool wasReady = appReady();
  const std::uint32_t savedTableMask = ttMask;
  options.ttIndexMask = (1u << 20) - 4;
  ASSERT_TRUE(appReady() || initApp());
  ASSERT_TRUE(ttAllocate(options.ttIndexMask));
  newGame(true);
  ASSERT_TRUE(parseFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
  engineFlags = FLAG_UCI;
  movesPerSession = baseTime = increment = timePerMove = 0;
  maxSearchDepth = 7;
  searchRoot();
  copyPath(options.analysisFilePath, sizeof options.analysisFilePath, path.c_str());
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  options.analysisFilePath[0] = '\0';
  // The table and the option are left as the other suites had them.
  options.ttIndexMask = savedOptionMask;
  if (!wasReady) {
    releaseApp();
  } else {
    ASSERT_TRUE(ttAllocate(savedTableMask));
  }

  int exitCode;
  const Lines lines = inspect(path, &exitCode);
  EXPECT_EQ(exitCode, 0);
  ASSERT_GE(lines.size(), 13u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "Hash: 8 MB");
  EXPECT_EQ(lines[1], "Fen : r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1");
  EXPECT_EQ(lines[2], "r . b q k b . r");
  EXPECT_EQ(lines[9], "R N B Q K . . R");
  EXPECT_EQ(lines[10], "");
  EXPECT_EQ(lines[11], "Depth  Score  Variation");
  ASSERT_LE(lines.size(), 17u);
  int previousScore = 30000;
  for (std::size_t i = 12; i < lines.size(); ++i) {
    int depth = 0, score = 0;
    char firstMove[16] = "";
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "%5d  %5d %15s", &depth, &score, firstMove), 3) << lines[i];
    EXPECT_GE(depth, 1);
    EXPECT_LE(depth, 8);
    EXPECT_LE(score, previousScore) << "best first";
    previousScore = score;
  }
}

TEST(InspectAnalysisFile, SaysWhatIsWrongWithAFile) {
  TempDirectory dir;
  const std::string header = std::string("8/8/8/8/8/8/8/K6k w - - 0 1") + '\0';
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "empty"},
      {std::string(300, 'x'), "no position at its start"},
      {header + "\x01\x02", "too short"},
      {header + std::string("\x05\x00\x00\x00", 4), "unknown table size"},
      {std::string("not a position") + '\0' + std::string("\x00\x00\x10\x00", 4), "illegal position"},
  };
  for (const auto& [content, reason] : cases) {
    const std::string path = dir.writeFile("broken.dat", content);
    int exitCode;
    EXPECT_EQ(inspect(path, &exitCode), Lines{"Not an analysis file: " + path + " (" + reason + ")"});
    EXPECT_EQ(exitCode, 0);
  }
  int exitCode;
  EXPECT_EQ(inspect(dir.path() + "/none.dat", &exitCode), Lines{"Can't open analysis file " + dir.path() + "/none.dat"});
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
