// The parallel search: split points in young-brothers-wait style. Worker threads
// sleep between searches; during one they spin a while for work and then sleep until
// a split hands them some or the search ends. A node that has searched a
// move and sees idle workers splits: every idle thread (and the node's own thread)
// gets a copy of the position and takes the node's remaining moves one at a time
// from the node's move picker, reporting its results back into the node.
//
// Locks: smpLock guards the thread table, the copy pool and every split point's
// list of helpers; it is always taken before a split point's own lock, which guards
// the node's move picker and its move-loop state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "search/node_frame.h"
#include "search/spin.h"
#include "search/worker.h"

namespace velt {

struct EngineCore;

constexpr int MAX_SEARCH_THREADS = 16;
constexpr int COPY_BLOCKS_PER_THREAD = 16;
// What a helper's split search returns once it has ended its node by a cutoff and
// written the result into the node itself.
constexpr int SPLIT_CUTOFF_SCORE = -60000;

// Searches the remaining moves of the split point that `copy` works for and returns
// the copy's best score. Each family of node routines installs its own at its splits.
using SplitSearchFn = int (*)(Worker& copy);

// The split-point part of a position: who helps with its moves and how.
struct SplitPoint {
  SpinLock lock;
  std::atomic<int> workerCount{0};  // copies still working for this split point
  Worker* slaves[MAX_SEARCH_THREADS] = {};  // by thread; changed only under smpLock
  NodeFrame* frame = nullptr;       // the owner's move-loop state
  SplitSearchFn search = nullptr;
};

// One per search thread. A thread that has waited long enough sleeps on `wake`;
// whoever changes what it waits for (work handed to it, the search's start or end,
// its helpers done) makes the change first and then notifies it under `sleepLock`.
struct SearchThread {
  std::atomic<Worker*> work{nullptr};  // the copy it searches; null when idle
  std::mutex sleepLock;
  std::condition_variable wake;
  std::thread thread;  // workers only
};

// The search threads of one engine and what they share besides the split points.
// Workers sleep between searches; the pool ends them when it ends.
struct ThreadPool {
  SpinLock smpLock;
  std::unique_ptr<SearchThread[]> threads = std::make_unique<SearchThread[]>(MAX_SEARCH_THREADS);
  int threadCount = 1;
  std::atomic<bool> aborted{true};   // no search running: workers go to sleep
  std::atomic<bool> exiting{false};  // workers end (before they are created anew)
  std::atomic<int> threadsStarted{0};
  // Depth (half-plies) from which a node offers a split: deeper with more threads.
  int splitMinDepth = 4;
  // Workers spinning for work; a node offers a split only when there is one.
  std::atomic<int> idleWorkers{0};
  // The copy pool: COPY_BLOCKS_PER_THREAD blocks per thread, each a position with
  // its own split-point record. Taken and returned under smpLock.
  int blockCount = 0;
  int blocksInUse = 0;
  std::unique_ptr<Worker[]> blocks;
  std::unique_ptr<SplitPoint[]> blockSplits;
  std::unique_ptr<bool[]> blockInUse;
  Worker* root = nullptr;
  SplitPoint rootSplit;

  ThreadPool() = default;
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;
  ~ThreadPool();
};

// Creates the worker threads and the copy pool for `count` search threads (1..16),
// ending the previous workers first; the copies search for `engine`. Never called
// during a search.
void setSearchThreads(EngineCore& engine, int count);

// Search start: `root` (searched by thread 0) becomes the root of the split tree
// and the workers wake up. Search end: the workers go back to sleep; returns when
// none is spinning any more.
void beginParallelSearch(ThreadPool& pool, Worker& root);
void endParallelSearch(ThreadPool& pool);

// Hands the rest of the node's moves to the idle threads; returns true when it did
// (the moves have then all been searched and the merged result is in `frame`), false
// when the node must go on alone.
bool split(ThreadPool& pool, Worker& pos, NodeFrame& frame, SplitSearchFn routine);

// The split offer of a node after one of its moves.
inline bool offerSplit(ThreadPool& pool, Worker& pos, NodeFrame& frame, SplitSearchFn routine) {
  return frame.depth >= pool.splitMinDepth && pool.idleWorkers.load(std::memory_order_relaxed) != 0 &&
         split(pool, pos, frame, routine);
}

// Sets the stop flag of every position of the search, from the root down.
void stopAllSearchThreads(ThreadPool& pool);
// Sets the stop flag of pos and of every copy working below it. Needs smpLock.
void stopTree(Worker& pos);
// smpLock, for the helpers' cutoff reports (take it before a split point's lock).
SpinLock& searchThreadsLock(ThreadPool& pool);

// Copy pool access for tests of the pool's limits: a free block copied from pos for
// `threadId` (null when none is free), and its return.
Worker* takeCopyBlock(ThreadPool& pool, Worker& pos, int threadId);
void releaseCopyBlock(ThreadPool& pool, Worker* copy);

}  // namespace velt
