#include "book/analysis_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "support/engine_process.h"

namespace {

const char* const ITALIAN = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4";
const char* const ENDING = "8/5k2/8/3P4/8/8/5K2/8 w - - 0 1";
constexpr std::uint32_t ENTRIES = 1u << 20;  // an 8 MB table
constexpr std::size_t CHUNK = 131072;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string currentFen() {
  char fen[FEN_TEXT_SIZE];
  positionToFen(gamePosition, fen, FenCounters::Zero);
  return fen;
}

std::string header(const std::string& fen, std::uint32_t count) {
  std::string text = fen + '\0';
  text.append(reinterpret_cast<const char*>(&count), sizeof count);
  return text;
}

std::string entryBytes(TTEntry entry) { return std::string(reinterpret_cast<const char*>(&entry), sizeof entry); }

// An entry with the given depth, move and bound; word 1 carries an arbitrary key.
TTEntry entry(int depth, int fromTo, std::uint32_t bound = TT_EXACT, std::uint32_t word1 = 0xABCDE0C0u) {
  return {bound | 1100u << TT_SCORE_SHIFT | static_cast<std::uint32_t>(fromTo) << TT_MOVE_SHIFT |
              static_cast<std::uint32_t>(depth),
          word1};
}

class AnalysisFileTest : public ::testing::Test {
 protected:
  // The table and the option are left as the other suites had them.
  static void SetUpTestSuite() {
    savedOptionMask = options.ttIndexMask;
    savedTableMask = appReady() ? ttMask : 0;
    options.ttIndexMask = ENTRIES - 4;
    ASSERT_TRUE(appReady() || initApp());
  }
  static void TearDownTestSuite() {
    options.ttIndexMask = savedOptionMask;
    if (savedTableMask == 0) {
      releaseApp();
    } else {
      ttAllocate(savedTableMask);
    }
  }
  void SetUp() override {
    if (ttMask != ENTRIES - 4) {
      ASSERT_TRUE(ttAllocate(ENTRIES - 4));
    }
    setUp(ITALIAN);
    path = dir.path() + "/analysis.dat";
    copyPath(options.analysisFilePath, sizeof options.analysisFilePath, path.c_str());
    options.analysisMinDepth = 0;
  }
  void TearDown() override {
    options.analysisFilePath[0] = '\0';
    options.analysisMinDepth = 0;
  }

  static void setUp(const char* fen) {
    newGame(true);
    ASSERT_TRUE(parseFen(fen));
  }
  static bool same(const TTEntry& a, const TTEntry& b) { return a.word0 == b.word0 && a.word1 == b.word1; }
  std::string body(std::size_t offset, std::size_t size) {
    return readFile(path).substr(header(currentFen(), ENTRIES).size() + offset, size);
  }

  static std::uint32_t savedOptionMask, savedTableMask;
  TempDirectory dir;
  std::string path;
};

std::uint32_t AnalysisFileTest::savedOptionMask = 0;
std::uint32_t AnalysisFileTest::savedTableMask = 0;

TEST_F(AnalysisFileTest, FirstSaveCreatesTheFileAndTheNextOverwritesIt) {
  // The game has moved on from its set-up: the file still names the position "0 1".
  makeGameMove(legalMoveFromText(gamePosition, "e1g1"));
  ASSERT_EQ(gamePosition.gamePly, 1);
  ttTable[5] = entry(9, 0x123);
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  const std::string fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 0 1";
  const std::string first = readFile(path);
  ASSERT_EQ(first.size(), header(fen, ENTRIES).size() + ENTRIES * sizeof(TTEntry));
  EXPECT_EQ(first.substr(0, fen.size() + 5), header(fen, ENTRIES));
  EXPECT_EQ(body(5 * sizeof(TTEntry), sizeof(TTEntry)), entryBytes(entry(9, 0x123)));

  ttTable[5] = entry(11, 0x456);
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  EXPECT_EQ(body(5 * sizeof(TTEntry), sizeof(TTEntry)), entryBytes(entry(11, 0x456)));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  ttClear();
  ttNewSearch();
  ASSERT_EQ(loadAnalysisFile(), AnalysisFileStatus::Done);
  const TTEntry expected = {entry(11, 0x456).word0, (entry(11, 0x456).word1 & ~TT_AGE_MASK) | 1u};
  EXPECT_TRUE(same(ttTable[5], expected));
}

// Another position, another table size or a file that is no analysis file: neither
// loaded nor overwritten.
TEST_F(AnalysisFileTest, AnotherAnalysisIsLeftAsItIs) {
  enum Change { Position, TableSize, NotAnalysis };
  for (Change change : {Position, TableSize, NotAnalysis}) {
    SCOPED_TRACE(change);
    ASSERT_TRUE(ttAllocate(ENTRIES - 4));
    setUp(ITALIAN);
    ttTable[7] = entry(20, 0x321);
    ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
    if (change == NotAnalysis) std::ofstream(path, std::ios::binary) << "my notes\n";
    const std::string before = readFile(path);
    if (change == Position) setUp(ENDING);
    if (change == TableSize) {
      ASSERT_TRUE(ttAllocate(2 * ENTRIES - 4));
    }
    ttTable[7] = entry(3, 0x111);
    EXPECT_EQ(saveAnalysisFile(), AnalysisFileStatus::OtherAnalysis);
    EXPECT_EQ(loadAnalysisFile(), AnalysisFileStatus::OtherAnalysis);
    EXPECT_TRUE(same(ttTable[7], entry(3, 0x111)));
    EXPECT_EQ(readFile(path), before);
  }
}

TEST_F(AnalysisFileTest, ShallowEntriesAreSkippedAndKeepTheTableContentOnLoad) {
  options.analysisMinDepth = 10;
  ttTable[0] = entry(5, 0x200);
  ttTable[1] = entry(12, 0x300);
  ttTable[2] = entry(127, 0x1);  // its first byte would read as a skip byte
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  EXPECT_EQ(readFile(path).size(), header(currentFen(), ENTRIES).size() + ENTRIES - 1 + sizeof(TTEntry));

  const TTEntry current[3] = {entry(1, 0x10), entry(2, 0x20), entry(3, 0x30)};
  std::copy(current, current + 3, ttTable);
  ttNewSearch();
  ASSERT_EQ(loadAnalysisFile(), AnalysisFileStatus::Done);
  EXPECT_TRUE(same(ttTable[0], current[0]));
  EXPECT_EQ(ttTable[1].word0, entry(12, 0x300).word0);
  EXPECT_EQ(ttTable[1].word1 & TT_AGE_MASK, static_cast<std::uint32_t>(ttAge));
  EXPECT_TRUE(same(ttTable[2], current[2]));
  EXPECT_TRUE(same(ttTable[3], TTEntry{0, 0}));
}

// A hand-made file: an entry cut by the end of the first chunk is completed by the
// next read; an entry cut by the end of the file is dropped. Loaded entries come
// unlocked and dated to the current search.
TEST_F(AnalysisFileTest, ItemsAcrossAChunkEndAndATruncatedEnd) {
  const std::size_t straddling = CHUNK - 2;
  const TTEntry stored = entry(30, 0x222, TT_LOWER, 0x55555540u | TT_LOCK | 5u);
  std::string file = header(currentFen(), ENTRIES) + std::string(straddling, '\xFF') + entryBytes(stored) +
                     std::string(10, '\xFF') + entryBytes(entry(40, 0x333)).substr(0, 3);
  std::ofstream(path, std::ios::binary) << file;
  const TTEntry sentinel = entry(1, 0x44);
  ttTable[7] = sentinel;
  ttTable[straddling + 11] = sentinel;
  ttNewSearch();
  ASSERT_EQ(loadAnalysisFile(), AnalysisFileStatus::Done);
  EXPECT_EQ(ttTable[straddling].word0, stored.word0);
  EXPECT_EQ(ttTable[straddling].word1, 0x55555540u | static_cast<std::uint32_t>(ttAge));
  EXPECT_TRUE(same(ttTable[7], sentinel));
  EXPECT_TRUE(same(ttTable[straddling + 11], sentinel));
}

TEST_F(AnalysisFileTest, AFailedSaveLeavesTheOldFile) {
  copyPath(options.analysisFilePath, sizeof options.analysisFilePath, (dir.path() + "/missing/a.dat").c_str());
  EXPECT_EQ(saveAnalysisFile(), AnalysisFileStatus::WriteFailed);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/missing"));

  copyPath(options.analysisFilePath, sizeof options.analysisFilePath, path.c_str());
  ttTable[9] = entry(15, 0x99);
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  const std::string before = readFile(path);
  ttTable[9] = entry(16, 0x98);
  // A disk that fills up half-way through the write.
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small = {1 << 20, saved.rlim_max};
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const AnalysisFileStatus status = saveAnalysisFile();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(status, AnalysisFileStatus::WriteFailed);
  EXPECT_EQ(readFile(path), before);
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

// Loaded entries whose moves cannot be played in their positions (as from a file of
// another build) never make the search play or print an impossible move.
TEST_F(AnalysisFileTest, LoadedImpossibleMovesAreNeverPlayed) {
  Position& pos = gamePosition;
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  const int bogus = 20 | 44 << 6;  // e3-e6: e3 is empty in the root and after every move
  auto plant = [&](int depth) {
    const std::uint64_t key = pos.hashKey;
    ttTable[static_cast<std::uint32_t>(key) & ttMask] =
        entry(depth, bogus, TT_EXACT, static_cast<std::uint32_t>(key >> 32) & TT_KEY_MASK);
  };
  plant(2);
  for (int i = 0; i < count; ++i) {
    makeGameMove(moves[i]);
    plant(2);
    takeBackGameMove();
  }
  ASSERT_EQ(saveAnalysisFile(), AnalysisFileStatus::Done);
  ttClear();
  ASSERT_EQ(loadAnalysisFile(), AnalysisFileStatus::Done);
  const std::string fenBefore = currentFen();
  engineFlags = FLAG_UCI | FLAG_POST;
  movesPerSession = baseTime = increment = timePerMove = 0;
  maxSearchDepth = 6;
  testing::internal::CaptureStdout();
  searchRoot();
  const std::string output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(currentFen(), fenBefore);
  EXPECT_EQ(output.find("e3e6"), std::string::npos) << output;
  bool legal = false;
  for (int i = 0; i < count; ++i) legal |= moves[i] == bestMove;
  EXPECT_TRUE(legal);
}

}  // namespace
