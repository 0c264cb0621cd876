#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "board/position.h"
#include "board/prefetch.h"
#include "egtb/tb_generate.h"
#include "egtb/tb_probe.h"
#include "eval/move_step.h"
#include "search/decided_table.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/worker.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/tablebases.h"
#include "shell/think.h"
#include "support/board_setup.h"
#include "support/engine_process.h"
#include "support/search_fixture.h"
#include "support/tb_verify.h"

namespace velt {

namespace {

// Score of a mate in `moves` for the side to move.
constexpr int mateIn(int moves) { return MATE_SCORE - (2 * moves - 1); }
// The moves to mate of a winning score, as the thinking line shows them (tablebase
// wins score one point below the search's own mates of the same length).
constexpr int mateMoves(int score) { return (MATE_SCORE + 1 - score) / 2; }

// Slow reference: whether the side to move mates in at most `moves` moves whatever the defence.
bool forcedMate(Worker& pos, int moves) {
  Move attacks[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, attacks);
  for (int i = 0; i < count; ++i) {
    makeMove(pos, attacks[i], -MATE_SCORE, MATE_SCORE);
    Move replies[MAX_LEGAL_MOVES];
    const int replyCount = collectLegalMoves(pos, replies);
    bool mates = replyCount == 0 && inCheck(pos.checkInfo[pos.gamePly]);
    if (replyCount > 0 && moves > 1) {
      mates = true;
      for (int j = 0; j < replyCount && mates; ++j) {
        makeMove(pos, replies[j], -MATE_SCORE, MATE_SCORE);
        mates = forcedMate(pos, moves - 1);
        unmakeMove(pos);
      }
    }
    unmakeMove(pos);
    if (mates) return true;
  }
  return false;
}

int trueMateDistance(Worker& pos, int most) {
  for (int moves = 1; moves <= most; ++moves) {
    if (forcedMate(pos, moves)) return moves;
  }
  return 0;
}

using DecidedSearchTest = SearchFixture;

// Short mates against the slow reference; longer ones (KBBK 5, KRK 6) as an
// independent engine counts them.
TEST_F(DecidedSearchTest, MateDistancesAreExact) {
  struct Case {
    const char* fen;
    int moves;  // 0: from the reference
    int depth;
  };
  const Case cases[] = {
      {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", 0, 8},      {"k7/8/2K5/8/8/8/8/6Q1 w - - 0 1", 0, 8},
      {"k7/8/1K6/8/8/8/8/r5Q1 w - - 0 1", 0, 8},     {"k7/8/1K6/8/8/8/8/2BB4 w - - 0 1", 0, 10},
      {"7k/8/5K2/8/8/8/8/R7 w - - 0 1", 0, 8},       {"1k6/8/2K5/8/8/8/8/3BB3 w - - 0 1", 5, 14},
      {"8/8/k7/8/2K5/8/8/7R w - - 0 1", 6, 14},
  };
  for (const Case& c : cases) {
    newGame(engine(), true);
    ASSERT_TRUE(parseFen(engine().gamePosition, c.fen));
    const int truth = c.moves ? c.moves : trueMateDistance(engine().gamePosition, 3);
    ASSERT_GT(truth, 0) << c.fen;
    EXPECT_EQ(searchDecidedTo(c.fen, c.depth).score, mateIn(truth)) << c.fen;
  }
}

// A won position whose mate is near: once the mate is proven, deeper iterations cost
// next to nothing (a mated node must not be deepened afresh at every visit).
TEST_F(DecidedSearchTest, ProvenMateKeepsDeeperIterationsCheap) {
  const SearchResult r = searchDecidedTo("4k3/8/8/8/8/8/8/QQ2K3 w - - 0 1", 60);
  EXPECT_EQ(r.score, mateIn(2));
  EXPECT_LT(r.nodes, 200000u);
}

// The queen and rook endings generated once into a temporary directory: the true
// distances, and the files the search probes when they are loaded.
class DecidedTablebaseTest : public SearchFixture {
 protected:
  static void SetUpTestSuite() {
    SearchFixture::SetUpTestSuite();
    directory = std::make_unique<TempDirectory>();
    TablebaseSet set;
    for (const char* name : {"kqk", "krk"}) {
      const int number = tablebaseClassByName(name);
      generateWithSuccessors(number, set);
      ASSERT_TRUE(writeTablebaseFiles(directory->path(), number, set)) << name;
    }
  }
  static void TearDownTestSuite() { directory.reset(); }

  // Through the shell's loader, which also tells the search how many men they cover.
  static void loadTablebases() {
    std::snprintf(engine().options.egtbPath, sizeof engine().options.egtbPath, "%s", directory->path().c_str());
    reloadTablebases(engine());
    ASSERT_EQ(engine().tablebases.largest, 3);
  }
  static void unloadTablebases() {
    engine().options.egtbPath[0] = '\0';
    reloadTablebases(engine());
  }
  static int trueScore(const char* fen) {
    loadTablebases();
    int score = 0;
    EXPECT_EQ(probeTablebase(engine().tablebases, *positionFromFen(fen), score), 1) << fen;
    unloadTablebases();
    return score;
  }

  static std::unique_ptr<TempDirectory> directory;
};
std::unique_ptr<TempDirectory> DecidedTablebaseTest::directory;

// Without tablebases the search finds the generator's distances itself.
TEST_F(DecidedTablebaseTest, QueenMatesAtTheGeneratorsDistance) {
  for (const char* fen : {"2K5/4k3/8/3Q4/8/8/8/8 w - - 0 1", "8/8/7k/4Q3/8/6K1/8/8 w - - 0 1"}) {
    const int truth = mateMoves(trueScore(fen));
    ASSERT_EQ(truth, 5) << fen;
    const int score = searchDecidedTo(fen, 10).score;
    EXPECT_EQ(score, mateIn(truth)) << fen;
  }
}

// With tablebases loaded the nodes near the root take their exact values: the
// quiescence below a one-ply search and the full nodes of a deeper one give the root
// the true distance of a mate far beyond their horizon.
TEST_F(DecidedTablebaseTest, NodesProbeTheTablebases) {
  const char* fen = "5R2/8/4k3/8/8/8/8/K7 w - - 0 1";
  const int truth = mateMoves(trueScore(fen));
  ASSERT_EQ(truth, 16);
  loadTablebases();
  for (int depth : {1, 3}) {
    const SearchResult r = searchDecidedTo(fen, depth);
    EXPECT_GT(r.score, MATE_BOUND) << "depth " << depth;
    EXPECT_EQ(mateMoves(r.score), truth) << "depth " << depth;
    EXPECT_EQ(r.output.find("tbhits 0 "), std::string::npos) << r.output;
  }
  unloadTablebases();
}

// The decided search's view of the suite engine's table, entry by entry.
class DecidedTableTest : public SearchFixture {
 protected:
  // The key whose bucket starts at the table's first entry, with the given high half.
  static std::uint64_t keyInFirstBucket(std::uint32_t high, std::uint32_t low = 0) {
    return static_cast<std::uint64_t>(high) << 32 | (low & ~decidedIndexMask(engine().tt));
  }
  static const DecidedEntry& entry(int index) {
    return reinterpret_cast<const DecidedEntry*>(engine().tt.entries)[index];
  }
};

// The move's bits beyond the low 16 (promotion piece, castling flags) are kept, and a
// store leaves its entry unlocked.
TEST_F(DecidedTableTest, EntryKeepsTheWholeMove) {
  clearSearchTables(engine());
  decidedNewSearch(engine().tt);
  const Move promotion = makeMoveWord(12, 3, FLAG_PROMOTION | FLAG_CAPTURE | FLAG_PAWN_MOVE | Move{KNIGHT} << 16);
  decidedStoreLower(engine().tt, keyInFirstBucket(0x12345678u), 9, promotion, -1234, 3);
  decidedStoreUpper(engine().tt, keyInFirstBucket(0x12345678u), 7, 345, 3);
  EXPECT_EQ(decidedEntryMove(entry(0)), promotion & (0xFFFF | Move{7} << 16));
  EXPECT_FALSE(decidedEntryLocked(entry(0)));
  const Move castle = makeMoveWord(4, 6, FLAG_CASTLE_SHORT);
  decidedStoreLower(engine().tt, keyInFirstBucket(0x2222u), 5, castle, 10, 0);
  EXPECT_EQ(decidedEntryMove(entry(1)), castle);
}

TEST_F(DecidedTableTest, BoundsAreReplacedOnlyByDeeperOnes) {
  clearSearchTables(engine());
  decidedNewSearch(engine().tt);
  newGame(engine(), true);
  const std::uint64_t key = keyInFirstBucket(0x777u);
  DecidedHit hit;
  decidedStoreLower(engine().tt, key, 10, MOVE_NONE, 50, 0);
  decidedStoreLower(engine().tt, key, 6, MOVE_NONE, 80, 0);  // shallower: ignored
  decidedStoreUpper(engine().tt, key, 4, 120, 0);
  decidedStoreUpper(engine().tt, key, 8, 100, 0);  // deeper: replaces
  decidedProbe(engine().tt, engine().gamePosition, key, hit);
  ASSERT_TRUE(hit.found);
  EXPECT_EQ(hit.lower, 50);
  EXPECT_EQ(hit.lowerDepth, 10);
  EXPECT_EQ(hit.upper, 100);
  EXPECT_EQ(hit.upperDepth, 8);
  EXPECT_EQ(hit.maxDepth, 10);
  int result = 0;
  EXPECT_TRUE(decidedHitEnds(hit, 10, 20, 40, result));  // lower bound at or above beta
  EXPECT_EQ(result, 50);
  EXPECT_FALSE(decidedHitEnds(hit, 11, 20, 40, result));  // too shallow
  EXPECT_TRUE(decidedHitEnds(hit, 8, 100, 101, result));  // upper bound at or below alpha
  EXPECT_EQ(result, 100);
}

TEST_F(DecidedTableTest, MateScoresAreStoredRelativeToTheNode) {
  clearSearchTables(engine());
  decidedNewSearch(engine().tt);
  newGame(engine(), true);
  const std::uint64_t key = keyInFirstBucket(0x999u);
  // Found at ply 5: mate in 3 plies from the root (30000 - 8 at ply 5 means mate 3 plies on).
  const int foundAtPly5 = MATE_SCORE - 8;
  decidedStoreLower(engine().tt, key, 4, MOVE_NONE, foundAtPly5, 5);
  DecidedHit hit;
  engine().gamePosition.ply = 3;
  decidedProbe(engine().tt, engine().gamePosition, key, hit);
  engine().gamePosition.ply = 0;
  EXPECT_EQ(hit.lower, foundAtPly5 + 2);  // two plies nearer the root
  // A mate lower bound counts as deeper than any depth, and its score is not clipped.
  EXPECT_GE(hit.lowerDepth, 127);
  int result = 0;
  EXPECT_TRUE(decidedHitEnds(hit, 100, 0, 1, result));
  EXPECT_EQ(result, foundAtPly5 + 2);
  // Being mated: stored minus the ply, read back plus the ply.
  EXPECT_EQ(decidedScoreToTable(-MATE_SCORE + 9, 5), -MATE_SCORE + 4);
  EXPECT_EQ(decidedScoreFromTable(-MATE_SCORE + 4, 3), -MATE_SCORE + 7);
  EXPECT_EQ(decidedScoreToTable(1500, 5), 1500);
}

TEST_F(DecidedTableTest, VictimIsTheOldestShallowestEntry) {
  clearSearchTables(engine());
  decidedNewSearch(engine().tt);  // age 1
  const int depths[4] = {20, 3, 30, 10};
  for (int i = 0; i < 4; ++i) decidedStoreLower(engine().tt, keyInFirstBucket(0x100u + i), depths[i], MOVE_NONE, 0, 0);
  decidedNewSearch(engine().tt);  // age 2: the four entries are one search old
  decidedStoreLower(engine().tt, keyInFirstBucket(0x101u), 3, MOVE_NONE, 0, 0);  // refreshed to the new age
  decidedStoreLower(engine().tt, keyInFirstBucket(0x200u), 1, MOVE_NONE, 0, 0);
  // Old entries of depths 20, 30, 10: the one of depth 10 goes, not the shallower new one.
  EXPECT_EQ(entry(3).word[0], 0x200u);
  EXPECT_EQ(entry(1).word[0], 0x101u);
  EXPECT_EQ(entry(0).word[0], 0x100u);
}

// Make-move warms up the entry the coming search reads: the decided search's 16-byte
// view after its start, the main table's again after a normal search starts.
TEST_F(DecidedTableTest, MakeMoveWarmsTheBucketOfTheRunningSearch) {
  const PrefetchTarget& target = engine().tt.prefetch;
  const auto warmed = [&target](std::uint64_t key) {
    return target.base + (static_cast<std::uint32_t>(key) & target.indexMask) * target.entryBytes;
  };
  for (const std::uint64_t key : {0x0123456789ABCDEFull, 0xFEDCBA9876543210ull, 0x00000000FFFFFFFFull}) {
    decidedNewSearch(engine().tt);
    EXPECT_EQ(warmed(key), reinterpret_cast<std::uintptr_t>(decidedBucket(engine().tt, key))) << key;
    ttNewSearch(engine().tt);
    EXPECT_EQ(warmed(key), reinterpret_cast<std::uintptr_t>(ttBucket(engine().tt, key))) << key;
  }
}

TEST(DecidedSwitch, TwoDecisiveScoresAndTimeEnough) {
  struct Case {
    int last, previous, timePerMove, clock;
    bool due;
  };
  const Case cases[] = {
      {750, 750, 0, 0, true},          {-750, 900, 0, 0, true},        {749, 900, 0, 0, false},
      {900, 749, 0, 0, false},         {28999, 800, 0, 0, true},       {29000, 800, 0, 0, false},
      {-29000, -800, 0, 0, false},     {900, 29990, 0, 0, true},       {900, 900, 300, 500, false},
      {900, 900, 300, 501, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decidedSwitchDue(c.last, c.previous, c.timePerMove, c.clock), c.due)
        << c.last << " " << c.previous << " " << c.timePerMove << " " << c.clock;
  }
}

}  // namespace

}  // namespace velt
