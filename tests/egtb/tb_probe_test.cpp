#include "egtb/tb_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/board_setup.h"
#include "support/engine_process.h"

namespace velt {

namespace {

constexpr int WIN_IN_ONE = 126;

// A file of the class's length filled with `fill`, or with `pattern(index)`.
std::string classFile(const char* name, int side, int fill, int (*pattern)(std::uint32_t) = nullptr) {
  initTablebaseIndex();
  const std::uint32_t count = tablebaseClass(tablebaseClassByName(name)).positionCount[side];
  std::string data(count, static_cast<char>(fill));
  if (pattern)
    for (std::uint32_t i = 0; i < count; ++i) data[i] = static_cast<char>(pattern(i));
  return data;
}

struct CacheArea {
  std::vector<unsigned char> bytes;
  CacheArea(Tablebases& tablebases, std::size_t size) : bytes(size) {
    initTablebaseCache(tablebases, bytes.data(), bytes.size());
  }
};

int probeFen(const Tablebases& tablebases, const char* fen, int& score) {
  auto pos = positionFromFen(fen);
  return probeTablebase(tablebases, *pos, score);
}

TEST(TablebaseProbe, ScoreConversion) {
  const struct {
    int stored, ply, score;
  } cases[] = {{WIN_IN_ONE, 5, 29993}, {0, 5, 0},  {TB_BYTE_MATED, 3, -29997}, {1, 0, 29748},
               {-125, 0, -29998},      {-127, 2, -29746}, {-128, 2, 29744}};
  for (const auto& c : cases)
    EXPECT_EQ(tablebaseScore(tablebaseByteValue(c.stored), c.ply), c.score) << c.stored << " at ply " << c.ply;
  EXPECT_EQ(tablebaseByteValue(TB_BYTE_UNKNOWN), TB_VALUE_UNKNOWN);
}

TEST(TablebaseProbe, PathListFirstDirectoryWinsAndSymmetricClassUsesOneFile) {
  TempDirectory a, b, c;
  a.writeFile("krk.nbw", classFile("krk", 0, WIN_IN_ONE));
  b.writeFile("krk.nbw", classFile("krk", 0, 0));  // shadowed by the first directory
  b.writeFile("kqk.nbb", classFile("kqk", 1, -1));
  c.writeFile("krkr.nbw", classFile("krkr", 0, 2));
  Tablebases tablebases;
  EXPECT_EQ(initTablebases(tablebases, (a.path() + ";" + b.path() + "," + c.path()).c_str()), 4);
  CacheArea cache(tablebases, TB_CACHE_ENTRY_BYTES * 4);
  int score = 0;
  ASSERT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/8/KR6 w - - 0 1", score), 1);
  EXPECT_EQ(score, 29998);
  ASSERT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/8/KQ6 b - - 0 1", score), 1);  // loss stored as -1
  EXPECT_EQ(score, -29750);
  EXPECT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/8/KQ6 w - - 0 1", score), 0);  // no kqk.nbw anywhere
  EXPECT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/1P6/K7 w - - 0 1", score), 0);
  // The black rook holder probes "krk" with the colours exchanged.
  ASSERT_EQ(probeFen(tablebases, "8/8/8/4K3/8/8/8/kr6 b - - 0 1", score), 1);
  EXPECT_EQ(score, 29998);
  // "krkr" has one file for both sides to move.
  EXPECT_TRUE(tablebaseRegistered(tablebases, tablebaseClassByName("krkr"), 1));
  ASSERT_EQ(probeFen(tablebases, "8/8/8/4k3/4r3/8/8/KR6 b - - 0 1", score), 1);
  EXPECT_EQ(score, 2 * (TB_VALUE_BASE + 2) - 35534);
  // Three white knights have no class.
  EXPECT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/8/KNNN4 w - - 0 1", score), 0);
  // A cache too small for one block answers nothing.
  CacheArea tooSmall(tablebases, TB_CACHE_ENTRY_BYTES - 1);
  EXPECT_EQ(probeFen(tablebases, "8/8/8/4k3/8/8/8/KR6 w - - 0 1", score), 0);
}

TEST(TablebaseProbe, DamagedFileIsReportedAndSkipped) {
  TempDirectory directory;
  directory.writeFile("kqk.nbw", std::string(100, '\0'));
  directory.writeFile("krk.nbw", classFile("krk", 0, WIN_IN_ONE));
  std::vector<std::string> corrupted;
  const auto collect = [](void* context, TablebaseFault fault, const std::string& name, const std::string&) {
    if (fault == TablebaseFault::CORRUPTED) static_cast<std::vector<std::string>*>(context)->push_back(name);
  };
  Tablebases tablebases;
  setTablebaseFaultHook(tablebases, {&corrupted, collect});
  const int largest = initTablebases(tablebases, directory.path().c_str());
  EXPECT_EQ(largest, 3);
  EXPECT_EQ(corrupted, std::vector<std::string>{directory.path() + "/kqk.nbw"});
  EXPECT_FALSE(tablebaseRegistered(tablebases, tablebaseClassByName("kqk"), 0));
  EXPECT_TRUE(tablebaseRegistered(tablebases, tablebaseClassByName("krk"), 0));
}

// Every block holds its own number; threads read random entries through three cache
// entries, so blocks are evicted and reloaded all the time.
int blockPattern(std::uint32_t index) { return static_cast<int>(index / TB_BLOCK_ENTRIES % 100) + 1; }

TEST(TablebaseProbe, ConcurrentReadsThroughASmallCache) {
  TempDirectory directory;
  directory.writeFile("kqkr.nbw", classFile("kqkr", 0, 0, blockPattern));
  Tablebases tablebases;
  ASSERT_EQ(initTablebases(tablebases, directory.path().c_str()), 4);
  CacheArea cache(tablebases, TB_CACHE_ENTRY_BYTES * 3);
  const int kqkr = tablebaseClassByName("kqkr");
  const std::uint32_t count = tablebaseClass(kqkr).positionCount[0];
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(t);
      for (int i = 0; i < 4000; ++i) {
        const std::uint32_t index = random() % count;
        if (readTablebaseValue(tablebases, kqkr, 0, index) != tablebaseByteValue(blockPattern(index))) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace

}  // namespace velt
