#include "search/analysis_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "board/fen.h"
#include "board/san.h"
#include "eval/move_step.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/worker.h"
#include "shell/analysis_view.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/options.h"
#include "shell/search_output.h"
#include "support/book_files.h"
#include "support/engine_process.h"

namespace velt {

bool operator==(const TTEntry& a, const TTEntry& b) { return a.bits == b.bits; }

namespace {

constexpr std::uint32_t ENTRIES = 1u << 20;  // an 8 MB table
const std::string ITALIAN = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1";

template <typename T>
std::string bytes(const T& value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }
std::string header(const std::string& fen = ITALIAN) { return fen + '\0' + bytes(ENTRIES); }
TTEntry entry(int depth, int fromTo, std::uint32_t word1 = 0xABCDE0C0u) {
  return ttEntryOf(TT_EXACT | 1100u << TT_SCORE_SHIFT | static_cast<std::uint32_t>(fromTo) << TT_MOVE_SHIFT |
                       static_cast<std::uint32_t>(depth),
                   word1);
}
// A restored entry: dated to the table's generation, the unused bit 5 clear.
TTEntry dated(const TranspositionTable& tt, TTEntry e) {
  return ttEntryOf(e.word0(), (e.word1() & ~(TT_AGE_MASK | 0x20u)) | static_cast<std::uint32_t>(tt.age));
}

class AnalysisFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(initApp(engine));
    setUp(ITALIAN, ENTRIES);
    copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, path.c_str());
  }
  void setUp(const std::string& fen, std::uint32_t entries) {
    ASSERT_TRUE(ttAllocate(engine.tt, entries - 4));
    newGame(engine, true);
    ASSERT_TRUE(parseFen(engine.gamePosition, fen.c_str()));
  }

  std::unique_ptr<Engine> record = std::make_unique<Engine>();
  Engine& engine = *record;
  TempDirectory dir;
  std::string path = dir.path() + "/analysis.dat";
};

TEST_F(AnalysisFileTest, FirstSaveCreatesNextOverwritesLoadRestores) {
  makeGameMove(engine, legalMoveFromText(engine.gamePosition, "e1g1"));  // the file names the position with "0 1"
  const std::string fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 0 1";
  for (int depth : {9, 11}) {
    engine.tt.entries[5] = entry(depth, 0x123);
    ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);
    const std::string file = readWholeFile(path);
    ASSERT_EQ(file.size(), header(fen).size() + ENTRIES * sizeof(TTEntry));
    EXPECT_EQ(file.substr(0, header(fen).size() + 48), header(fen) + std::string(40, '\0') + bytes(entry(depth, 0x123)));
  }
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  clearSearchTables(engine);
  ttNewSearch(engine.tt);
  ASSERT_EQ(loadAnalysisFile(engine), AnalysisFileStatus::Done);
  EXPECT_EQ(engine.tt.entries[5], dated(engine.tt, entry(11, 0x123)));
}

// Another position, another table size or a file that is no analysis file: neither
// loaded nor overwritten.
TEST_F(AnalysisFileTest, AnotherAnalysisIsLeftAsItIs) {
  for (int change = 0; change < 3; ++change) {
    setUp(ITALIAN, ENTRIES);
    ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);
    if (change == 2) std::ofstream(path, std::ios::binary) << "my notes\n";
    const std::string before = readWholeFile(path);
    setUp(change == 0 ? "8/5k2/8/3P4/8/8/5K2/8 w - - 0 1" : ITALIAN, change == 1 ? 2 * ENTRIES : ENTRIES);
    engine.tt.entries[7] = entry(3, 0x111);
    EXPECT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::OtherAnalysis) << change;
    EXPECT_EQ(loadAnalysisFile(engine), AnalysisFileStatus::OtherAnalysis) << change;
    EXPECT_EQ(engine.tt.entries[7], entry(3, 0x111));
    EXPECT_EQ(readWholeFile(path), before);
  }
}

// The delete button removes an analysis file of any position, and nothing else.
TEST_F(AnalysisFileTest, DeleteRemovesOnlyAnAnalysisFile) {
  std::ofstream(path, std::ios::binary) << "my notes\n";
  EXPECT_EQ(deleteAnalysisFile(engine), AnalysisFileStatus::OtherAnalysis);
  EXPECT_EQ(readWholeFile(path), "my notes\n");
  std::ofstream(path, std::ios::binary) << header("8/5k2/8/3P4/8/8/5K2/8 w - - 0 1");
  EXPECT_EQ(deleteAnalysisFile(engine), AnalysisFileStatus::Done);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(AnalysisFileTest, SkippedItemsKeepTheTableEntries) {
  engine.options.analysisMinDepth = 10;
  engine.tt.entries[0] = entry(5, 0x200);
  engine.tt.entries[1] = entry(12, 0x300);
  engine.tt.entries[2] = entry(127, 0x1);  // its first byte would read as a skip byte
  ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);
  EXPECT_EQ(readWholeFile(path).size(), header().size() + ENTRIES - 1 + sizeof(TTEntry));
  const TTEntry current[3] = {entry(1, 0x10), entry(2, 0x20), entry(3, 0x30)};
  std::copy(current, current + 3, engine.tt.entries);
  ttNewSearch(engine.tt);
  ASSERT_EQ(loadAnalysisFile(engine), AnalysisFileStatus::Done);
  EXPECT_EQ(engine.tt.entries[0], current[0]);
  EXPECT_EQ(engine.tt.entries[1], dated(engine.tt, entry(12, 0x300)));
  EXPECT_EQ(engine.tt.entries[2], current[2]);
}

// An item cut by the end of the first 131072-byte chunk is completed by the next
// read; one cut by the end of the file is dropped.
TEST_F(AnalysisFileTest, ItemsCutByAChunkEndAndByTheFileEnd) {
  const std::uint32_t at = 131070;
  const TTEntry stored = entry(30, 0x222, 0x55555540u | 0x20u | 5u);
  std::ofstream(path, std::ios::binary) << header() + std::string(at, '\xFF') + bytes(stored) + '\xFF' +
                                               bytes(entry(40, 0x333)).substr(0, 3);
  engine.tt.entries[at + 2] = entry(1, 0x44);
  ASSERT_EQ(loadAnalysisFile(engine), AnalysisFileStatus::Done);
  EXPECT_EQ(engine.tt.entries[at], dated(engine.tt, stored));
  EXPECT_EQ(engine.tt.entries[at + 2], entry(1, 0x44));
}

TEST_F(AnalysisFileTest, AFailedSaveLeavesTheOldFile) {
  copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath,
           (dir.path() + "/none/a.dat").c_str());
  EXPECT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::WriteFailed);
  copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, path.c_str());
  ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);
  const std::string before = readWholeFile(path);
  engine.tt.entries[9] = entry(16, 0x98);
  rlimit saved, small;  // a disk that fills up half-way through the write
  getrlimit(RLIMIT_FSIZE, &saved);
  small = {1 << 20, saved.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const AnalysisFileStatus status = saveAnalysisFile(engine);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(status, AnalysisFileStatus::WriteFailed);
  EXPECT_EQ(readWholeFile(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Entries with moves impossible in their positions (e3-e6 with e3 empty at the root
// and after every move), as a file of another build could hold, are never played.
TEST_F(AnalysisFileTest, ImpossibleTableMovesAreNeverPlayed) {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(engine.gamePosition, moves);
  for (int i = -1; i < count; ++i) {
    if (i >= 0) makeGameMove(engine, moves[i]);
    const std::uint64_t key = engine.gamePosition.hashKey;
    engine.tt.entries[static_cast<std::uint32_t>(key) & engine.tt.mask] =
        entry(2, 20 | 44 << 6, (key >> 32) & TT_KEY_MASK);
    if (i >= 0) takeBackGameMove(engine);
  }
  engine.engineFlags = FLAG_UCI | FLAG_POST;
  engine.timeControl.movesPerSession = engine.timeControl.baseTime = engine.timeControl.increment =
      engine.timeControl.timePerMove = 0;
  engine.timeControl.maxSearchDepth = 6;
  engine.out.capturing = true;
  engine.search.reporter = searchOutputReporter(engine);
  searchRoot(engine);
  engine.search.reporter = SearchReporter{};
  const std::string output = takeCaptured(engine.out);
  EXPECT_EQ(output.find("e3e6"), std::string::npos) << output;
  EXPECT_NE(std::find(moves, moves + count, engine.search.bestMove), moves + count);
}

// An iteration left unfinished may hold only bounds for the positions of the last
// completed line (its root window failed, or the search stopped on its way); the file
// still shows that line.
TEST_F(AnalysisFileTest, TheLastCompletedLineOutlivesAnUnfinishedIteration) {
  engine.engineFlags = FLAG_UCI;
  engine.timeControl.movesPerSession = engine.timeControl.baseTime = engine.timeControl.increment = 0;
  engine.timeControl.timePerMove = 0;
  engine.timeControl.maxSearchDepth = 7;
  searchRoot(engine);
  const RootState& root = engine.root;
  ASSERT_GE(root.completedDepth, 14);
  ASSERT_NE(root.completedLine[1], MOVE_NONE);
  const std::string firstMove = moveToSan(engine.gamePosition, root.completedLine[0]);
  auto line = std::make_unique<Worker>(engine.gamePosition);
  for (int i = 0; root.completedLine[i + 1] != MOVE_NONE; ++i) {
    ASSERT_TRUE(makeMove(*line, root.completedLine[i], -MATE_SCORE, MATE_SCORE));
    ttStoreLower(engine.tt, line->hashKey, 60, moveFromTo(root.completedLine[i + 1]), ttLowerField(engine.tt, 0));
  }
  ASSERT_EQ(saveAnalysisFile(engine), AnalysisFileStatus::Done);

  const auto viewer = std::make_unique<Engine>();
  viewer->out.capturing = true;
  ASSERT_TRUE(initApp(*viewer));
  takeCaptured(viewer->out);
  showAnalysisFile(*viewer, path.c_str());
  const std::string shown = takeCaptured(viewer->out);
  const std::size_t table = shown.find("Depth  Score  Variation\n");
  ASSERT_NE(table, std::string::npos) << shown;
  EXPECT_NE(shown.find(" " + firstMove, table), std::string::npos) << shown;
}

}  // namespace

}  // namespace velt
