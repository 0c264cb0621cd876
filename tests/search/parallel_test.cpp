// The split machinery's bookkeeping: the copy pool's limit, the working limit, and a
// helper's cutoff stopping its siblings, whose results then count for nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "search/engine_core.h"
#include "search/node.h"
#include "search/parallel.h"
#include "search/split_merge.h"
#include "search/worker.h"
#include "support/board_setup.h"

namespace velt {

namespace {

class ParallelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setSearchThreads(engine, 2);
    owner = positionFromFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -");
    owner->split = &ownerSplit;
    owner->parent = nullptr;
    owner->threadIndex = 0;
    owner->stop = 0;
    owner->ply = 1;
    owner->pvLength[1] = 1;
    ownerSplit.frame = &frame;
    frame.progress = {10, 10, MOVE_NONE, 1, 1, 0, false, false};
  }
  void TearDown() override {
    for (Worker* copy : taken) releaseCopyBlock(engine.pool, copy);
    setSearchThreads(engine, 1);
  }
  Worker* take(Worker& from, int threadId) {
    Worker* copy = takeCopyBlock(engine.pool, from, threadId);
    if (copy != nullptr) taken.push_back(copy);
    return copy;
  }
  // A helper's result: score, move and a one-move line at the split ply.
  static NodeProgress found(Worker& copy, int score, Move move) {
    copy.pv[copy.ply][copy.ply] = move;
    copy.pvLength[copy.ply] = copy.ply + 1;
    return {score, score, move, 1, 1, 0, false, false};
  }

  EngineCore& engine = testEngine();
  std::unique_ptr<Worker> owner;
  SplitPoint ownerSplit;
  NodeFrame frame{};
  std::vector<Worker*> taken;
};

std::atomic<int> searchedCopies{0};

// With more threads than cores, a split hands out copies only up to the working
// limit: the splitting thread's own first, then as many idle threads as the limit
// leaves; the others go on sleeping.
TEST_F(ParallelTest, SplitHandsOutNoMoreCopiesThanTheWorkingLimit) {
  setSearchThreads(engine, 4);
  for (int limit : {4, 2, 1}) {
    engine.pool.workingLimit = limit;
    searchedCopies = 0;
    const bool splitDone = split(engine.pool, *owner, frame, [](Worker&) {
      searchedCopies.fetch_add(1);
      return 0;
    });
    engine.pool.threads[0].work.store(nullptr);
    EXPECT_EQ(splitDone, limit > 1) << limit;
    EXPECT_EQ(searchedCopies.load(), limit > 1 ? limit : 0) << limit;
  }
}

TEST_F(ParallelTest, SplitIsRefusedWhenNoCopyBlockIsFree) {
  for (int i = 0; i < 2 * COPY_BLOCKS_PER_THREAD; ++i) ASSERT_NE(take(*owner, i % 2), nullptr) << i;
  EXPECT_EQ(take(*owner, 0), nullptr);
  EXPECT_FALSE(split(engine.pool, *owner, frame, [](Worker&) { return 0; }));
  releaseCopyBlock(engine.pool, taken.back());
  taken.pop_back();
  EXPECT_NE(take(*owner, 1), nullptr);
}

TEST_F(ParallelTest, CutoffStopsTheSiblingsAndTheirResultsAreDiscarded) {
  Worker* cutter = take(*owner, 0);
  Worker* sibling = take(*owner, 1);
  Worker* grandchild = take(*sibling, 0);  // a copy working for the sibling's own split
  ownerSplit.slaves[0] = cutter;
  ownerSplit.slaves[1] = sibling;
  sibling->split->slaves[0] = grandchild;
  const Move cut = makeMoveWord(E1, makeSquare(4, 1), 0), late = makeMoveWord(makeSquare(5, 2), makeSquare(6, 4), 0);

  reportCutoff(*cutter, found(*cutter, 300, cut), false);
  EXPECT_TRUE(stopped(*sibling));
  EXPECT_TRUE(stopped(*grandchild));
  EXPECT_FALSE(stopped(*cutter));
  EXPECT_EQ(frame.progress.best, 300);
  EXPECT_EQ(frame.progress.bestMove, cut);
  EXPECT_EQ(owner->pv[1][1], cut);

  // The stopped sibling's better-looking result and its own cutoff change nothing.
  mergeResult(*sibling, found(*sibling, 500, late));
  reportCutoff(*sibling, found(*sibling, 600, late), false);
  EXPECT_EQ(frame.progress.best, 300);
  EXPECT_EQ(frame.progress.bestMove, cut);
  EXPECT_EQ(owner->pv[1][1], cut);
}

TEST_F(ParallelTest, BetterResultOfARunningHelperIsMerged) {
  Worker* helper = take(*owner, 1);
  const Move move = makeMoveWord(F1, makeSquare(2, 3), 0);
  mergeResult(*helper, found(*helper, 5, move));  // not better than the node's best
  EXPECT_EQ(frame.progress.bestMove, MOVE_NONE);
  mergeResult(*helper, found(*helper, 40, move));
  EXPECT_EQ(frame.progress.best, 40);
  EXPECT_EQ(frame.progress.alpha, 40);
  EXPECT_EQ(frame.progress.bestMove, move);
  EXPECT_EQ(owner->pvLength[1], 2);
}

}  // namespace

}  // namespace velt
