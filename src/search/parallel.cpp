// Worker threads, the copy pool, split, the idle loop and the stop of the split tree.
#include "search/parallel.h"

#include <algorithm>
#include <chrono>

#include "search/engine_core.h"
#include "search/node.h"

namespace velt {

namespace {

void idleLoop(ThreadPool& pool, int id, Worker* waitFor);

// Counters have a single writer, their thread: a plain add suffices.
void addTo(std::atomic<std::uint64_t>& counter, std::uint64_t amount) {
  counter.store(counter.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

using CounterClock = std::chrono::steady_clock;

std::uint64_t nanosecondsSince(CounterClock::time_point start) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(CounterClock::now() - start).count());
}

std::uint64_t steadyNs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(CounterClock::now().time_since_epoch()).count());
}

// Ends the open stretch of search time (and, at the search's end, the measuring) and
// takes the working limit once the window is long enough. Thread 0 only: the other
// threads read the limit.
void addMachineLoad(ThreadPool& pool, bool searchEnds) {
  CpuTimes times;
  if (!pool.load.open || !readCpuTimes(times)) return;
  const int limit = addLoadSample(pool.load, times, steadyNs(), searchEnds, pool.threadCount, pool.cores);
  if (limit > 0) pool.workingLimit.store(limit, std::memory_order_relaxed);
}

void workerMain(ThreadPool* pool, int id) {
  pool->threadsStarted.fetch_add(1, std::memory_order_release);
  idleLoop(*pool, id, nullptr);
}

// Copies what a helper needs below the split ply: the board, the attack maps, the
// killers, the evaluations up to the next ply, the game's undo records and check
// information, and the node's line.
void copyPosition(Worker& copy, const Worker& pos) {
  static_cast<Board&>(copy) = pos;
  copy.ply = pos.ply;
  copy.gamePly = pos.gamePly;
  std::copy(&pos.attackMap[0][0], &pos.attackMap[0][0] + MAX_PLY * 2, &copy.attackMap[0][0]);
  copy.bishopPromotions = pos.bishopPromotions;
  std::copy(&pos.killers[0][0], &pos.killers[0][0] + MAX_PLY * 3, &copy.killers[0][0]);
  const int ply = pos.ply;
  std::copy(pos.plyEval, pos.plyEval + ply + 2, copy.plyEval);
  std::copy(pos.undo, pos.undo + pos.gamePly + 1, copy.undo);
  std::copy(pos.checkInfo, pos.checkInfo + pos.gamePly + 2, copy.checkInfo);
  copy.pvLength[ply] = pos.pvLength[ply];
  std::copy(pos.pv[ply] + ply, pos.pv[ply] + std::max(pos.pvLength[ply], ply), copy.pv[ply] + ply);
  copy.prefetch = pos.prefetch;
  copy.listStart[ply] = 0;
  copy.listStart[ply + 1] = 0;
}

// Needs smpLock.
Worker* copyForSplit(ThreadPool& pool, Worker& pos, int threadId) {
  int index = -1;
  for (int i = threadId * COPY_BLOCKS_PER_THREAD; i < (threadId + 1) * COPY_BLOCKS_PER_THREAD; ++i) {
    if (i < pool.blockCount && !pool.blockInUse[i]) {
      index = i;
      break;
    }
  }
  for (int i = 0; index < 0 && i < pool.blockCount; ++i) {
    if (!pool.blockInUse[i]) index = i;
  }
  if (index < 0) return nullptr;
  Worker& copy = pool.blocks[index];
  copyPosition(copy, pos);
  copy.threadIndex = threadId;
  copy.stop = 0;
  copy.nodes = 0;
  copy.tbHits = 0;
  copy.parent = &pos;
  copy.split = &pool.blockSplits[index];
  copy.split->workerCount.store(0, std::memory_order_relaxed);
  std::fill(std::begin(copy.split->slaves), std::end(copy.split->slaves), nullptr);
  pool.blockInUse[index] = true;
  ++pool.blocksInUse;
  return &copy;
}

// Needs smpLock.
void releaseBlock(ThreadPool& pool, Worker* copy) {
  pool.blockInUse[copy - pool.blocks.get()] = false;
  --pool.blocksInUse;
}

// What every helper's copy gives back to its split point, stopped or not: its node
// and tablebase-hit counts and the killers it found below the split ply. Needs the
// split point's lock. The counts are added atomically: the main thread, waiting at
// its own split point, reads its node count for the progress line meanwhile.
void mergeCounters(Worker& parent, const Worker& copy) {
  std::atomic_ref<std::uint32_t>(parent.nodes).fetch_add(copy.nodes, std::memory_order_relaxed);
  std::atomic_ref<std::uint32_t>(parent.tbHits).fetch_add(copy.tbHits, std::memory_order_relaxed);
  for (int ply = parent.ply; ply < MAX_PLY; ++ply) {
    std::copy(copy.killers[ply], copy.killers[ply] + 3, parent.killers[ply]);
  }
}

bool waitEnds(const ThreadPool& pool, const SearchThread& self, const Worker* waitFor) {
  if (self.work.load(std::memory_order_acquire) != nullptr) return true;
  if (waitFor == nullptr) return pool.aborted.load(std::memory_order_acquire);
  return waitFor->split->workerCount.load(std::memory_order_acquire) == 0;
}

// Wakes the thread if it sleeps; called after the change it waits for is made. The
// sleeper looks at that change under the same lock, so it cannot miss it.
void wakeThread(SearchThread& thread) {
  std::lock_guard<std::mutex> guard(thread.sleepLock);
  thread.wake.notify_one();
}

// Sleeps until `ready` holds.
template <typename Ready>
void park(SearchThread& self, Ready ready) {
  std::unique_lock<std::mutex> guard(self.sleepLock);
  self.wake.wait(guard, ready);
}

// The loop of an idle thread: sleeps between searches (workers only), waits for work
// during one, and searches the copies it is handed. With `waitFor` it returns once
// every copy working for that split point has finished. The main thread never
// sleeps in a search: it polls input and time, also while it waits for helpers, at
// every step once it has stopped merely pausing, since a step may then last as long
// as the system keeps it off its core. While the threads fit the cores no waiter
// sleeps at all: it keeps yielding, so that a split or a finished helper is seen at
// once rather than after a wake-up.
void idleLoop(ThreadPool& pool, int id, Worker* waitFor) {
  SearchThread& self = pool.threads[id];
  const auto searchRuns = [&] {
    return pool.exiting.load(std::memory_order_acquire) || !pool.aborted.load(std::memory_order_acquire) ||
           self.work.load(std::memory_order_acquire) != nullptr;
  };
  const auto waitEnded = [&] { return waitEnds(pool, self, waitFor); };
  for (;;) {
    if (waitFor == nullptr) park(self, searchRuns);
    if (pool.exiting.load(std::memory_order_acquire)) return;
    {
      SpinGuard guard(pool.smpLock);
      pool.idleWorkers.fetch_add(1, std::memory_order_relaxed);
    }
    const bool searching = !pool.aborted.load(std::memory_order_acquire);
    const CounterClock::time_point waitStart = CounterClock::now();
    for (int spins = 0; !waitEnded();) {
      if (id == 0 && spins >= SPINS_BEFORE_YIELD) pollSearch(*waitFor);
      const bool threadsBeyondLimit = pool.workingLimit.load(std::memory_order_relaxed) < pool.threadCount;
      if (id == 0 || spins < SPINS_BEFORE_SLEEP || !threadsBeyondLimit) {
        spinPause(spins);
        if (!threadsBeyondLimit) spins = std::min(spins, SPINS_BEFORE_SLEEP - 1);
      } else {
        park(self, waitEnded);
      }
    }
    if (searching) addTo(self.counters.waitNs, nanosecondsSince(waitStart));
    Worker* work;
    {
      SpinGuard guard(pool.smpLock);
      work = self.work.load(std::memory_order_relaxed);
      if (work == nullptr) {
        work = waitFor;
        self.work.store(waitFor, std::memory_order_relaxed);
      }
      pool.idleWorkers.fetch_sub(1, std::memory_order_relaxed);
    }
    if (work == waitFor) {
      if (waitFor != nullptr) return;
      continue;
    }
    Worker& parent = *work->parent;
    SplitPoint& point = *parent.split;
    // Read before the count falls: once it is zero the owner may go on and its own
    // copy be handed to another split.
    const int owner = parent.threadIndex;
    point.search(*work);
    // A copy stopped while the search goes on was ended by a cutoff at or above its split.
    if (stopped(*work) && !stopped(*pool.root)) {
      addTo(self.counters.abandoned, 1);
      addTo(self.counters.abandonedNodes, work->nodes);
    }
    SpinGuard guard(pool.smpLock);
    point.lock.lock();
    mergeCounters(parent, *work);
    point.slaves[id] = nullptr;
    point.lock.unlock();
    releaseBlock(pool, work);
    self.work.store(nullptr, std::memory_order_relaxed);
    if (point.workerCount.fetch_sub(1, std::memory_order_release) == 1) wakeThread(pool.threads[owner]);
  }
}

void endWorkers(ThreadPool& pool) {
  pool.exiting.store(true, std::memory_order_release);
  for (int id = 1; id < pool.threadCount; ++id) {
    wakeThread(pool.threads[id]);
    pool.threads[id].thread.join();
  }
  pool.exiting.store(false, std::memory_order_release);
  pool.threadsStarted.store(0, std::memory_order_relaxed);
}

}  // namespace

ThreadPool::~ThreadPool() { endWorkers(*this); }

void setSearchThreads(EngineCore& engine, int count) {
  ThreadPool& pool = engine.pool;
  count = std::clamp(count, 1, MAX_SEARCH_THREADS);
  if (count == pool.threadCount && pool.blockCount != 0) return;
  endWorkers(pool);
  pool.threadCount = count;
  pool.blockCount = count * COPY_BLOCKS_PER_THREAD;
  pool.blocksInUse = 0;
  pool.blocks = std::make_unique<Worker[]>(static_cast<std::size_t>(pool.blockCount));
  pool.blockSplits = std::make_unique<SplitPoint[]>(static_cast<std::size_t>(pool.blockCount));
  pool.blockInUse = std::make_unique<bool[]>(static_cast<std::size_t>(pool.blockCount));
  for (int i = 0; i < pool.blockCount; ++i) {
    pool.blocks[i].engine = &engine;
    pool.blocks[i].evalData = &engine.evalData;
  }
  pool.cores = static_cast<int>(std::thread::hardware_concurrency());  // 0: not known
  pool.workingLimit.store(workingLimitFor(count, pool.cores, 0, 0), std::memory_order_relaxed);
  pool.load = {};
  // Two threads split from three plies on, sixteen only from ten.
  pool.splitMinDepth = 2 * (count / 2) + 4;
  for (int id = 1; id < count; ++id) pool.threads[id].thread = std::thread(workerMain, &pool, id);
  for (int spins = 0; pool.threadsStarted.load(std::memory_order_acquire) < count - 1;) spinPause(spins);
}

void beginParallelSearch(ThreadPool& pool, Worker& root) {
  // Every worker sleeps between searches: the counters are thread 0's to reset.
  for (int id = 0; id < pool.threadCount; ++id) {
    ThreadCounters& counters = pool.threads[id].counters;
    for (std::atomic<std::uint64_t>* counter : {&counters.splits, &counters.refusals, &counters.copies,
                                                &counters.splitNs, &counters.waitNs, &counters.abandoned,
                                                &counters.abandonedNodes}) {
      counter->store(0, std::memory_order_relaxed);
    }
  }
  root.split = &pool.rootSplit;
  root.parent = nullptr;
  std::fill(std::begin(root.split->slaves), std::end(root.split->slaves), nullptr);
  pool.root = &root;
  pool.threads[0].work.store(&root, std::memory_order_relaxed);
  pool.aborted.store(false, std::memory_order_release);
  for (int id = 1; id < pool.threadCount; ++id) wakeThread(pool.threads[id]);
  pool.load.open = false;
  CpuTimes times;
  if (pool.threadCount > 1 && readCpuTimes(times)) beginLoadStretch(pool.load, times, steadyNs());
}

void endParallelSearch(ThreadPool& pool) {
  addMachineLoad(pool, true);
  pool.aborted.store(true, std::memory_order_release);
  for (int id = 1; id < pool.threadCount; ++id) wakeThread(pool.threads[id]);
  for (int spins = 0; pool.idleWorkers.load(std::memory_order_acquire) != 0;) spinPause(spins);
  pool.threads[0].work.store(nullptr, std::memory_order_relaxed);
}

void followMachineLoad(ThreadPool& pool) {
  const LoadWindow& window = pool.load;
  if (window.open && window.searchNs + (steadyNs() - window.stretchStartNs) >= LOAD_WINDOW_NS) {
    addMachineLoad(pool, false);
  }
}

bool split(ThreadPool& pool, Worker& pos, NodeFrame& frame, SplitSearchFn routine) {
  const CounterClock::time_point start = CounterClock::now();
  pool.smpLock.lock();
  const int own = pos.threadIndex;
  ThreadCounters& counters = pool.threads[own].counters;
  if (!anotherThreadCanJoin(pool, own) || pool.blocksInUse >= pool.blockCount || stopped(pos)) {
    pool.smpLock.unlock();
    addTo(counters.refusals, 1);
    return false;
  }
  SplitPoint& point = *pos.split;
  point.frame = &frame;
  point.search = routine;
  frame.settled = false;
  pool.threads[own].work.store(nullptr, std::memory_order_relaxed);
  const int working = busyThreadsBesides(pool, own);  // at other split points
  // The splitting thread takes the first copy, then the idle threads up to the limit.
  int helpers = 0;
  for (int step = 0; step < pool.threadCount; ++step) {
    const int id = (own + step) % pool.threadCount;
    point.slaves[id] = nullptr;
    if (pool.threads[id].work.load(std::memory_order_relaxed) != nullptr ||
        working + helpers >= pool.workingLimit.load(std::memory_order_relaxed)) {
      continue;
    }
    point.slaves[id] = copyForSplit(pool, pos, id);
    helpers += point.slaves[id] != nullptr;
  }
  point.workerCount.store(helpers, std::memory_order_relaxed);
  for (int id = 0; id < pool.threadCount; ++id) {
    if (point.slaves[id] == nullptr) continue;
    pool.threads[id].work.store(point.slaves[id], std::memory_order_release);
    wakeThread(pool.threads[id]);
  }
  pool.smpLock.unlock();
  addTo(counters.splits, 1);
  addTo(counters.copies, static_cast<std::uint64_t>(helpers));
  addTo(counters.splitNs, nanosecondsSince(start));
  idleLoop(pool, own, &pos);
  return true;
}

ParallelStats parallelStats(const ThreadPool& pool) {
  ParallelStats stats;
  stats.threads = pool.threadCount;
  stats.workingLimit = pool.workingLimit.load(std::memory_order_relaxed);
  for (int id = 0; id < pool.threadCount; ++id) {
    const ThreadCounters& counters = pool.threads[id].counters;
    const auto read = [](const std::atomic<std::uint64_t>& counter) { return counter.load(std::memory_order_relaxed); };
    stats.splits += read(counters.splits);
    stats.refusals += read(counters.refusals);
    stats.copies += read(counters.copies);
    stats.splitNs += read(counters.splitNs);
    stats.abandoned += read(counters.abandoned);
    stats.abandonedNodes += read(counters.abandonedNodes);
    stats.waitNs[id] = read(counters.waitNs);
  }
  return stats;
}

void stopTree(Worker& pos) {
  setStop(pos);
  if (pos.split == nullptr) return;
  for (Worker* slave : pos.split->slaves) {
    if (slave != nullptr) stopTree(*slave);
  }
}

void stopAllSearchThreads(ThreadPool& pool) {
  if (pool.root == nullptr) return;
  SpinGuard guard(pool.smpLock);
  stopTree(*pool.root);
}

SpinLock& searchThreadsLock(ThreadPool& pool) { return pool.smpLock; }

Worker* takeCopyBlock(ThreadPool& pool, Worker& pos, int threadId) {
  SpinGuard guard(pool.smpLock);
  return pool.blocksInUse < pool.blockCount ? copyForSplit(pool, pos, threadId) : nullptr;
}

void releaseCopyBlock(ThreadPool& pool, Worker* copy) {
  SpinGuard guard(pool.smpLock);
  releaseBlock(pool, copy);
}

}  // namespace velt
