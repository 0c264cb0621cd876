#include "search/tt.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "shell/options.h"

namespace {

constexpr std::uint32_t SMALL_MASK = 1020;  // 1024 entries, 256 buckets

// Keys that share one bucket (same low half) but differ in the checked high bits.
std::uint64_t bucketKey(int n) { return (static_cast<std::uint64_t>(n + 1) << 40) | 0x24; }

class TTTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ttAllocate(SMALL_MASK));
    ttSetWindow(-500);
    ttNewSearch();
  }
  void TearDown() override { ttRelease(); }

  static TTHit read(std::uint64_t key, int index) {
    TTHit hit{};
    EXPECT_TRUE(ttRead(ttBucket(key)[index], key, hit)) << "entry " << index;
    return hit;
  }
  static int matchCount(std::uint64_t key) {
    int count = 0;
    for (int i = 0; i < 4; ++i) count += ttMatches(ttBucket(key)[i], key) && ttBucket(key)[i].word0 != 0;
    return count;
  }
};

TEST_F(TTTest, AllocationIsZeroFilledAndIndexedByLowKeyHalf) {
  for (std::uint32_t i = 0; i < SMALL_MASK + 4; ++i) {
    ASSERT_EQ(ttTable[i].word0, 0u);
    ASSERT_EQ(ttTable[i].word1, 0u);
  }
  EXPECT_EQ(ttBucket(0x12345678ABCDEF07ULL), ttTable + (0xABCDEF07u & SMALL_MASK));
  EXPECT_EQ(ttBucket(0x12345678ABCDEF07ULL) - ttTable, 0x304);
}

TEST_F(TTTest, EntryPacking) {
  const std::uint64_t key = 0xFEDCBA9800000010ULL;
  const int fromTo = 12 | 28 << 6;  // e2e4
  ttStoreExact(key, 37, fromTo, 150 + ttScoreBias);
  TTEntry* bucket = ttBucket(key);
  const TTEntry& entry = bucket[3];  // an empty bucket gives its last entry
  const std::uint32_t expected0 = TT_EXACT | ((static_cast<std::uint32_t>(150 + ttScoreBias) << 12 | fromTo) << 7) | 37;
  EXPECT_EQ(entry.word0, expected0);
  EXPECT_EQ(entry.word1, (0xFEDCBA98u & TT_KEY_MASK) | TT_TRUSTED | static_cast<std::uint32_t>(ttAge));
  const TTHit hit = read(key, 3);
  EXPECT_EQ(hit.depth, 37);
  EXPECT_EQ(hit.fromTo, fromTo);
  EXPECT_EQ(hit.score, 150);
  EXPECT_EQ(hit.bound, TT_EXACT);
  EXPECT_EQ(hit.flags, TT_TRUSTED);
  // Only the top 26 bits of the high half are checked.
  EXPECT_TRUE(ttMatches(entry, key ^ (0x3FULL << 32)));
  EXPECT_FALSE(ttMatches(entry, key ^ (0x40ULL << 32)));
}

TEST_F(TTTest, StoreVariantsSetTheirBoundsAndFlags) {
  struct Case {
    void (*store)(std::uint64_t, int, int, int);
    std::uint32_t bound, flags;
  };
  const Case cases[] = {{ttStoreLower, TT_LOWER, 0},
                        {ttStoreLowerTrusted, TT_LOWER, TT_TRUSTED},
                        {ttStoreUpper, TT_UPPER, TT_TRUSTED},
                        {ttStoreUpperPlain, TT_UPPER, 0}};
  std::uint64_t key = 0x5151515100000000ULL;
  for (const Case& c : cases) {
    key += 32;  // a fresh bucket for each variant
    c.store(key, 4, 0, ttScoreBias - 20);
    const TTHit hit = read(key, 3);
    EXPECT_EQ(hit.bound, c.bound);
    EXPECT_EQ(hit.flags, c.flags);
    EXPECT_EQ(hit.score, -20);
  }
  key += 32;
  ttStoreLowerKeyed(key, 12, 5, ttScoreBias, 1);
  EXPECT_EQ(read(key, 3).flags, TT_RESTRICTED);
}

TEST_F(TTTest, ScoreWindowClamping) {
  // Fail-high scores below the window and fail-low scores above it are not stored.
  EXPECT_FALSE(ttLowerStorable(-501));
  EXPECT_TRUE(ttLowerStorable(-500));
  EXPECT_FALSE(ttUpperStorable(501));
  EXPECT_TRUE(ttUpperStorable(500));
  EXPECT_EQ(ttLowerField(700), 500 + ttScoreBias);
  EXPECT_EQ(ttLowerField(-100), -100 + ttScoreBias);
  EXPECT_EQ(ttUpperField(-29990), -500 + ttScoreBias);
  EXPECT_EQ(ttUpperField(300), 300 + ttScoreBias);

  ttSetWindow(-250);
  EXPECT_EQ(ttWindowHigh, 750);
  EXPECT_EQ(ttStoreMin, -250 + ttScoreBias);
  EXPECT_EQ(ttStoreMax, 750 + ttScoreBias);
}

TEST_F(TTTest, MateScoresNeverEnterAsExact) {
  const std::uint64_t win = bucketKey(1), loss = bucketKey(2) + 64, plain = bucketKey(3) + 128;
  ttStoreExactClipped(win, 10, 0, MATE_SCORE - 3);
  ttStoreExactClipped(loss, 10, 0, 4 - MATE_SCORE);
  ttStoreExactClipped(plain, 10, 0, 42);
  const TTHit winHit = read(win, 3), lossHit = read(loss, 3), plainHit = read(plain, 3);
  EXPECT_EQ(winHit.bound, TT_LOWER);
  EXPECT_EQ(winHit.flags, TT_TRUSTED);
  EXPECT_EQ(winHit.score, 500);
  EXPECT_EQ(lossHit.bound, TT_UPPER);
  EXPECT_EQ(lossHit.score, -500);
  EXPECT_EQ(plainHit.bound, TT_EXACT);
  EXPECT_EQ(plainHit.score, 42);
}

TEST_F(TTTest, ReplacementPriorities) {
  for (int searches = 0; searches < 3; ++searches) ttNewSearch();
  const int current = ttAge, previous = (ttAge + 7) & 7, oldest = (ttAge + 1) & 7;
  EXPECT_EQ(replacePriority[current][0], 510);
  EXPECT_EQ(replacePriority[current][9], 501);
  EXPECT_EQ(replacePriority[previous][0], 512);
  EXPECT_EQ(replacePriority[previous][3], 509);
  EXPECT_EQ(replacePriority[oldest][5], 2048 - 5);
  // A current-search entry of depth 0 outranks a previous-search entry deeper than 2.
  EXPECT_GT(replacePriority[current][0], replacePriority[previous][3]);
  EXPECT_EQ(replacePriority[current][0], replacePriority[previous][2]);
}

TEST_F(TTTest, VictimIsTheOldestThenShallowestWithLaterEntriesWinningTies) {
  // An empty bucket fills from its last entry: entries 3, 2, 1, 0 get depths 6, 2, 9, 2.
  const int depths[4] = {6, 2, 9, 2};
  for (int i = 0; i < 4; ++i) ttStoreLower(bucketKey(i), depths[i], 0, ttScoreBias);
  EXPECT_EQ(read(bucketKey(0), 3).depth, 6);
  EXPECT_EQ(read(bucketKey(3), 0).depth, 2);
  // The two shallowest tie: the later one (entry 2) is replaced.
  ttStoreLower(bucketKey(4), 5, 0, ttScoreBias);
  EXPECT_EQ(read(bucketKey(4), 2).depth, 5);
  EXPECT_FALSE(ttMatches(ttBucket(bucketKey(1))[2], bucketKey(1)));
  EXPECT_TRUE(ttMatches(ttBucket(bucketKey(3))[0], bucketKey(3)));
  // In the next search old entries go first, the shallowest of them first.
  ttNewSearch();
  ttStoreLower(bucketKey(5), 4, 0, ttScoreBias);  // old depth 2 (entry 0)
  EXPECT_EQ(read(bucketKey(5), 0).depth, 4);
  ttStoreLower(bucketKey(6), 4, 0, ttScoreBias);  // old depth 5 (entry 2)
  EXPECT_EQ(read(bucketKey(6), 2).depth, 4);
  ttStoreLower(bucketKey(7), 4, 0, ttScoreBias);  // old 6 ties new 4 and 4: entry 3
  EXPECT_EQ(read(bucketKey(7), 3).depth, 4);
  EXPECT_EQ(read(bucketKey(2), 1).depth, 9);
}

TEST_F(TTTest, MatchingEntryIsOverwrittenOnlyWhenNotDeeper) {
  const std::uint64_t key = bucketKey(0);
  ttStoreLower(key, 8, 0, ttScoreBias + 10);
  ttStoreLower(key, 8, 0, ttScoreBias + 20);
  EXPECT_EQ(matchCount(key), 1);
  EXPECT_EQ(read(key, 3).score, 20);
  // A shallower store cannot overwrite the deeper entry: a second copy appears.
  ttStoreUpper(key, 3, 0, ttScoreBias - 5);
  EXPECT_EQ(matchCount(key), 2);
  EXPECT_EQ(read(key, 3).depth, 8);
  EXPECT_EQ(read(key, 2).depth, 3);
}

TEST_F(TTTest, ExactStoreRemovesLaterShallowerDuplicates) {
  const std::uint64_t key = bucketKey(0);
  ttStoreLower(key, 8, 0, ttScoreBias);  // entry 3
  ttStoreLower(key, 2, 0, ttScoreBias);  // blocked by depth 8: entry 2
  ASSERT_EQ(matchCount(key), 2);
  ttStoreExact(key, 5, 0, ttScoreBias + 1);  // overwrites entry 2, keeps the deeper entry 3
  EXPECT_EQ(matchCount(key), 2);
  EXPECT_EQ(read(key, 2).bound, TT_EXACT);
  ttStoreExact(key, 9, 0, ttScoreBias + 2);  // overwrites entry 2 and removes entry 3
  EXPECT_EQ(matchCount(key), 1);
  EXPECT_EQ(ttBucket(key)[3].word0, 0u);
  EXPECT_EQ(ttBucket(key)[3].word1, 0u);
  EXPECT_EQ(read(key, 2).score, 2);
}

TEST_F(TTTest, RestrictedKeyedStoreOverwritesOnlyRestrictedSameBound) {
  const std::uint64_t key = bucketKey(0);
  ttStoreLowerKeyed(key, 10, 0, ttScoreBias, 0);  // unrestricted, entry 3
  ttStoreLowerKeyed(key, 12, 0, ttScoreBias, 1);  // may not overwrite it: entry 2
  EXPECT_EQ(matchCount(key), 2);
  EXPECT_EQ(read(key, 3).flags, 0u);
  EXPECT_EQ(read(key, 2).flags, TT_RESTRICTED);
  ttStoreLowerKeyed(key, 14, 0, ttScoreBias, 1);  // same bound, restricted: entry 2 again
  EXPECT_EQ(matchCount(key), 2);
  EXPECT_EQ(read(key, 2).depth, 14);
  ttStoreUpperKeyed(key, 16, 0, ttScoreBias, 1);  // opposite bound: a new entry (1)
  EXPECT_EQ(matchCount(key), 3);
  EXPECT_EQ(read(key, 1).flags, TT_RESTRICTED);
  ttStoreLowerKeyed(key, 16, 0, ttScoreBias, 0);  // unrestricted overwrites the first match
  EXPECT_EQ(matchCount(key), 3);
  EXPECT_EQ(read(key, 1).bound, TT_LOWER);
  EXPECT_EQ(read(key, 1).flags, 0u);
}

TEST_F(TTTest, AgeWrapsAfterEightSearchesAndRefreshUpdatesIt) {
  const int start = ttAge;
  for (int i = 0; i < 8; ++i) ttNewSearch();
  EXPECT_EQ(ttAge, start);
  while (ttAge != 7) ttNewSearch();
  const std::uint64_t key = bucketKey(0);
  ttStoreLower(key, 3, 0, ttScoreBias);
  ttNewSearch();
  EXPECT_EQ(ttAge, 0);
  EXPECT_EQ(replacePriority[7][3], 512 - 3);
  EXPECT_EQ(ttBucket(key)[3].word1 & TT_AGE_MASK, 7u);
  ttRefreshAge(ttBucket(key)[3], key);
  EXPECT_EQ(ttBucket(key)[3].word1 & TT_AGE_MASK, 0u);
  EXPECT_EQ(ttBucket(key)[3].word1 & TT_LOCK, 0u);
}

TEST_F(TTTest, ClearZeroFillsAndSideChangeClears) {
  ttStoreExact(bucketKey(0), 3, 0, ttScoreBias);
  ttForgetSide();
  ttSideCheck(WHITE, false);
  ttSideCheck(WHITE, false);
  EXPECT_EQ(matchCount(bucketKey(0)), 1);
  ttSideCheck(BLACK, true);  // preserved
  EXPECT_EQ(matchCount(bucketKey(0)), 1);
  ttSideCheck(WHITE, false);
  EXPECT_EQ(matchCount(bucketKey(0)), 0);
  ttStoreExact(bucketKey(0), 3, 0, ttScoreBias);
  ttClear();
  EXPECT_EQ(ttBucket(bucketKey(0))[3].word0, 0u);
}

TEST(TTSizing, SmallestTableHoldsEveryBucket) {
  // 1 MB requested gives the 8 MB minimum: 1,048,576 entries of 8 bytes.
  ASSERT_TRUE(ttAllocate(hashSizeToMask(1)));
  EXPECT_EQ(ttMask + 4, 1u << 20);
  EXPECT_EQ((ttMask * 8 + 32) / 1024, 8192u);  // the memory report's figure
  // The last bucket lies inside the block and works like any other.
  const std::uint64_t lastKey = 0x89ABCDEFFFFFFFFFULL;
  EXPECT_EQ(ttBucket(lastKey), ttTable + (1u << 20) - 4);
  ttNewSearch();
  ttStoreExact(lastKey, 9, 0, ttScoreBias + 7);
  TTHit hit{};
  EXPECT_TRUE(ttRead(ttBucket(lastKey)[3], lastKey, hit));
  EXPECT_EQ(hit.score, 7);
  ttRelease();
  EXPECT_EQ(ttTable, nullptr);
}

TEST(TTWindow, FollowsStableRootScores) {
  recentRootScores[0] = MATE_SCORE;
  ttSetWindow(0);
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowLow, -500);
  for (int score : recentRootScores) EXPECT_EQ(score, 0);

  for (int i = 0; i < 8; ++i) ttRecordRootScore(520);  // average 520: top 1020
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowLow, 0);
  for (int i = 0; i < 8; ++i) ttRecordRootScore(-300);  // bottom -800
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowLow, -750);
  ttRecordRootScore(-100);  // unstable: the window stays
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowLow, -750);
  for (int i = 0; i < 8; ++i) ttRecordRootScore(260);  // top 760
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowHigh, 750);
  for (int i = 0; i < 8; ++i) ttRecordRootScore(10);
  ttUpdateWindow(500);
  EXPECT_EQ(ttWindowLow, -500);
}

TEST(TTWindow, EdgeScoreMovesTheWindowAtOnce) {
  ASSERT_TRUE(ttAllocate(SMALL_MASK));
  for (int i = 0; i < 8; ++i) ttRecordRootScore(0);
  ttSetWindow(-500);
  ttStoreExact(0x1234ULL << 32, 3, 0, ttScoreBias);
  ttRecordRootScore(-500);  // a score at the window edge, the one before it not
  ttUpdateWindow(300);      // a short fixed time keeps the table
  EXPECT_EQ(ttWindowLow, -1000);
  EXPECT_NE(ttTable[3].word0, 0u);
  ttSetWindow(-500);
  ttUpdateWindow(0);  // no fixed time: the table is cleared too
  EXPECT_EQ(ttWindowLow, -1000);
  EXPECT_EQ(ttTable[3].word0, 0u);
  ttRelease();
}

TEST(TTMoveToMove, RebuildsFlagsFromTheBoard) {
  static Position pos;
  for (int& cell : pos.board) cell = EMPTY_CELL;
  pos.side = WHITE;
  pos.xside = BLACK;
  pos.epSquare = 43;  // d6
  pos.board[E1] = pieceCode(WHITE, KING);
  pos.board[12] = pieceCode(WHITE, PAWN);   // e2
  pos.board[36] = pieceCode(WHITE, PAWN);   // e5
  pos.board[54] = pieceCode(WHITE, PAWN);   // g7
  pos.board[B1] = pieceCode(WHITE, KNIGHT);
  EXPECT_EQ(ttMoveToMove(pos, E1 | G1 << 6), makeMoveWord(E1, G1, FLAG_CASTLE_SHORT));
  EXPECT_EQ(ttMoveToMove(pos, E1 | C1 << 6), makeMoveWord(E1, C1, FLAG_CASTLE_LONG));
  EXPECT_EQ(ttMoveToMove(pos, 12 | 28 << 6), makeMoveWord(12, 28, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP));
  EXPECT_EQ(ttMoveToMove(pos, 36 | 43 << 6), makeMoveWord(36, 43, FLAG_PAWN_MOVE | FLAG_EN_PASSANT | FLAG_CAPTURE));
  EXPECT_EQ(ttMoveToMove(pos, 54 | 62 << 6),
            makeMoveWord(54, 62, FLAG_PAWN_MOVE | FLAG_PROMOTION | static_cast<Move>(QUEEN) << 16));
  pos.board[63] = pieceCode(BLACK, ROOK);
  EXPECT_EQ(ttMoveToMove(pos, 54 | 63 << 6),
            makeMoveWord(54, 63, FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_PROMOTION | static_cast<Move>(QUEEN) << 16));
  pos.board[18] = pieceCode(BLACK, BISHOP);
  pos.board[D1] = pieceCode(WHITE, ROOK);
  EXPECT_EQ(ttMoveToMove(pos, B1 | 18 << 6), makeMoveWord(B1, 18, FLAG_CAPTURE));
  EXPECT_EQ(ttMoveToMove(pos, B1 | D1 << 6), makeMoveWord(B1, D1, 0));  // own man: no capture flag
}

TEST(TTLocking, ConcurrentStoresKeepEntriesWhole) {
  ASSERT_TRUE(ttAllocate(SMALL_MASK));
  ttNewSearch();
  auto worker = [](int thread) {
    for (int i = 0; i < 4000; ++i) {
      const std::uint64_t key = bucketKey(thread * 8 + (i & 7));
      // Each key always stores the score derived from it, so a torn entry shows.
      const int field = static_cast<int>((key >> 40) & 0x3FF) + 500;
      ttStoreLower(key, i & 15, 0, field);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) threads.emplace_back(worker, t);
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 4; ++i) {
    const TTEntry& entry = ttBucket(bucketKey(0))[i];
    EXPECT_EQ(entry.word1 & TT_LOCK, 0u);
    const std::uint64_t key = static_cast<std::uint64_t>(entry.word1 & TT_KEY_MASK) << 32 | 0x24;
    const int field = static_cast<int>(entry.word0 >> TT_SCORE_SHIFT & 0x7FF);
    EXPECT_EQ(field, static_cast<int>((key >> 40) & 0x3FF) + 500);
  }
  ttRelease();
}

}  // namespace
