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
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "search/machine_load.h"
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

// What one thread's part of the parallel search cost during the current search, for
// the debug report. Each is written by its own thread only (relaxed load and store,
// no locked instruction) and read once the search has ended.
struct ThreadCounters {
  std::atomic<std::uint64_t> splits{0};     // nodes of this thread that handed out moves
  std::atomic<std::uint64_t> refusals{0};   // split offers that found no thread or no copy
  std::atomic<std::uint64_t> copies{0};     // copies made for its splits
  std::atomic<std::uint64_t> splitNs{0};    // time spent making its splits, copies included
  std::atomic<std::uint64_t> waitNs{0};     // time spent with no work: idle, or waiting for helpers
  std::atomic<std::uint64_t> abandoned{0};  // copies it searched that a cutoff above stopped
  std::atomic<std::uint64_t> abandonedNodes{0};
};

// One per search thread. A thread that has waited long enough sleeps on `wake`;
// whoever changes what it waits for (work handed to it, the search's start or end,
// its helpers done) makes the change first and then notifies it under `sleepLock`.
struct SearchThread {
  std::atomic<Worker*> work{nullptr};  // the copy it searches; null when idle
  std::mutex sleepLock;
  std::condition_variable wake;
  std::thread thread;  // workers only
  ThreadCounters counters;
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
  // Threads that may search at once: all of them, or as many as there are cores, or
  // fewer while other programs keep cores busy (search/machine_load.h). More would
  // share the cores, and a split point waits for its slowest copy. Set by thread 0.
  // Below the thread count, a thread that has waited a while for work sleeps until it
  // is handed some, so that the threads with work get the cores; otherwise it keeps
  // yielding, ready at once for the next split.
  std::atomic<int> workingLimit{1};
  int cores = 0;  // of the machine; 0: not known
  LoadWindow load;
  // Depth (half-plies) from which a node offers a split: deeper with more threads.
  int splitMinDepth = 4;
  // Threads in the idle loop's wait; the search's end waits until none is left.
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

// The threads other than `own` that have work. A thread counts as busy from the moment
// a split hands it a copy, before it wakes up, so that the nodes searched meanwhile
// do not each take the lock to find nobody free.
inline int busyThreadsBesides(const ThreadPool& pool, int own) {
  int busy = 0;
  for (int id = 0; id < pool.threadCount; ++id) {
    if (id != own) busy += pool.threads[id].work.load(std::memory_order_relaxed) != nullptr;
  }
  return busy;
}

// Whether another thread could join a split of `own`'s: the threads with work, `own`
// among them, are fewer than the working limit (which is at most the thread count,
// so one of the others is idle).
inline bool anotherThreadCanJoin(const ThreadPool& pool, int own) {
  return 1 + busyThreadsBesides(pool, own) < pool.workingLimit.load(std::memory_order_relaxed);
}

// The split offer of a node after one of its moves.
inline bool offerSplit(ThreadPool& pool, Worker& pos, NodeFrame& frame, SplitSearchFn routine) {
  return frame.depth >= pool.splitMinDepth && anotherThreadCanJoin(pool, pos.threadIndex) &&
         split(pool, pos, frame, routine);
}

// The threads' counters summed over the search that ended last (waits by thread).
struct ParallelStats {
  int threads = 1;
  int workingLimit = 1;  // at the search's end
  std::uint64_t splits = 0, refusals = 0, copies = 0, splitNs = 0, abandoned = 0, abandonedNodes = 0;
  std::uint64_t waitNs[MAX_SEARCH_THREADS] = {};
};
ParallelStats parallelStats(const ThreadPool& pool);

// Thread 0, at its polls: once enough search time has passed, measures how much of
// the machine other programs took and sets the working limit from it.
void followMachineLoad(ThreadPool& pool);

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
