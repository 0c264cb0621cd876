// "/AI": the engine shows what an analysis file holds and ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "board/position.h"
#include "search/analysis_file.h"
#include "search/tt.h"
#include "search/worker.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/options.h"
#include "support/engine_process.h"

namespace velt {

namespace {

Lines inspect(const std::string& path, int* exitCode) {
  EngineLaunch launch;
  launch.arguments = {"/AI", path};
  EngineProcess engine(launch);
  Lines lines = engine.readAll();
  *exitCode = engine.waitForExit();
  return Lines(lines.begin() + std::min<std::size_t>(3, lines.size()), lines.end());  // after the banner
}

// A file of an 8 MB table with exact scores after O-O (20 half-plies, 30 for white,
// then Bc5 in the table) and after d3 (-12), and only a bound after a3; shown by an
// engine whose table has the default 64 MB, which takes the file's size.
TEST(InspectAnalysisFile, ShowsTheFileAndItsBestMoves) {
  TempDirectory dir;
  const std::string path = dir.path() + "/italian.dat";
  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  Worker& gamePosition = engine.gamePosition;
  ASSERT_TRUE(initApp(engine));
  ASSERT_TRUE(ttAllocate(engine.tt, (1u << 20) - 4));
  newGame(engine, true);
  ASSERT_TRUE(parseFen(gamePosition, "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
  const struct { const char* move; std::uint32_t bound; int depth, score, fromTo; } stored[] = {
      {"e1g1", TT_EXACT, 20, -30, 61 | 34 << 6}, {"d2d3", TT_EXACT, 7, 12, 0x3F}, {"a2a3", TT_LOWER, 30, -90, 0x3F}};
  for (const auto& s : stored) {
    makeGameMove(engine, legalMoveFromText(gamePosition, s.move));
    const std::uint64_t key = gamePosition.hashKey;
    engine.tt.entries[static_cast<std::uint32_t>(key) & engine.tt.mask] =
        ttEntryOf(s.bound | static_cast<std::uint32_t>(s.score + ttScoreBias) << TT_SCORE_SHIFT |
                      static_cast<std::uint32_t>(s.fromTo) << TT_MOVE_SHIFT | static_cast<std::uint32_t>(s.depth),
                  static_cast<std::uint32_t>(key >> 32) & TT_KEY_MASK);
    takeBackGameMove(engine);
  }
  copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, path.c_str());
  ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);

  int exitCode;
  EXPECT_EQ(inspect(path, &exitCode),
            (Lines{"Hash: 8 MB", "Fen : r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1",
                   "r . b q k b . r", "p p p p . p p p", ". . n . . n . .", ". . . . p . . .", ". . B . P . . .",
                   ". . . . . N . .", "P P P P . P P P", "R N B Q K . . R", "", "Depth  Score  Variation",
                   "   11     30 O-O Bc5", "    4    -12 d3"}));
  EXPECT_EQ(exitCode, 0);
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

}  // namespace velt
