// Two engine records side by side: each searches its own position on its own thread
// at the same time, and each gives exactly what the same search gives alone. Any
// state the two share by accident (a table, a counter, the game position, the output)
// would move a node count, a score or a move.
#include "shell/engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "shell/app.h"
#include "support/search_fixture.h"
#include "support/text_pattern.h"

namespace velt {

namespace {

constexpr std::uint32_t SMALL_TABLE_MASK = (1u << 18) - 4;

struct Job {
  const char* fen;
  int depth;
};

// The search's lines without what the clock decides: the time figures, and the lines
// of the root move being searched and of progress, which come once a second has passed.
std::string withoutTiming(const std::string& output) {
  static const TextPattern clockLines(R"(info (currmove|time) .*\n)");
  static const TextPattern timing(R"( (time|nps) \d+)");
  return timing.replaceAll(clockLines.replaceAll(output, ""), "");
}

// A fresh engine searching `job` to its fixed depth; the search's lines are kept.
SearchResult search(const Job& job) {
  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  engine.options.ttIndexMask = SMALL_TABLE_MASK;
  engine.out.capturing = true;
  if (!initApp(engine)) return {};
  takeCaptured(engine.out);
  prepareForSearches(engine);
  SearchResult result = searchOn(engine, job.fen, job.depth);
  result.output = withoutTiming(result.output);
  return result;
}

TEST(EngineRecord, TwoEnginesSearchSideBySideAsTheyDoAlone) {
  const Job jobs[2] = {{"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 10},
                       {"8/5pk1/6p1/8/2P5/1P4P1/5PK1/8 b - - 0 40", 16}};
  const SearchResult alone[2] = {search(jobs[0]), search(jobs[1])};
  SearchResult together[2];
  std::thread first([&] { together[0] = search(jobs[0]); });
  std::thread second([&] { together[1] = search(jobs[1]); });
  first.join();
  second.join();
  for (int i = 0; i < 2; ++i) {
    ASSERT_GT(alone[i].nodes, 10000u) << jobs[i].fen;
    EXPECT_EQ(together[i].nodes, alone[i].nodes) << jobs[i].fen;
    EXPECT_EQ(together[i].move, alone[i].move) << jobs[i].fen;
    EXPECT_EQ(together[i].score, alone[i].score) << jobs[i].fen;
    // The same lines, each on its own engine's output.
    EXPECT_EQ(together[i].output, alone[i].output);
  }
  EXPECT_NE(alone[0].move, alone[1].move);
}

}  // namespace

}  // namespace velt
