#include "search/tt.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace velt {

namespace {

constexpr std::uint32_t SMALL_MASK = 1020;  // 1024 entries, 256 buckets

// Keys that share one bucket (same low half) but differ in the checked high bits.
std::uint64_t bucketKey(int n) { return (static_cast<std::uint64_t>(n + 1) << 40) | 0x24; }

TEST(TTSharing, ConcurrentStoresKeepEntriesWhole) {
  TranspositionTable tt;
  ASSERT_TRUE(ttAllocate(tt, SMALL_MASK));
  ttNewSearch(tt);
  auto worker = [&tt](int thread) {
    for (int i = 0; i < 4000; ++i) {
      const std::uint64_t key = bucketKey(thread * 8 + (i & 7));
      // Each key always stores the score derived from it, so a torn entry shows.
      const int field = static_cast<int>((key >> 40) & 0x3FF) + 500;
      ttStoreLower(tt, key, i & 15, 0, field);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) threads.emplace_back(worker, t);
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 4; ++i) {
    const TTEntry entry = ttLoad(ttBucket(tt, bucketKey(0))[i]);
    const std::uint64_t key = static_cast<std::uint64_t>(entry.word1() & TT_KEY_MASK) << 32 | 0x24;
    const int field = static_cast<int>(entry.word0() >> TT_SCORE_SHIFT & 0x7FF);
    EXPECT_EQ(field, static_cast<int>((key >> 40) & 0x3FF) + 500);
  }
}

}  // namespace

}  // namespace velt
