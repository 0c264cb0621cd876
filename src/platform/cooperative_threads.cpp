// Threads for the browser build without shared memory: a page that is not
// cross-origin isolated gets no SharedArrayBuffer, so the engine runs in one Web
// Worker with no second system thread. The engine's threads (the input thread, the
// command reader, any search helpers) then become cooperative threads on that one
// thread: each has its own stacks, and a switch happens only where a thread would
// block or wait (a lock held by another, a condition, a sleep, a yield) or reads the
// clock. The search reads the clock at every poll, so a search hands the worker back
// to the browser's event loop every few milliseconds; the page's lines come in
// then, and the command reader answers them while the search goes on.
//
// The system's thread calls are replaced at link time (the web build links with
// --wrap for each of them), so the engine's code is the same as everywhere. The
// switches use Emscripten's fibers, which need the Asyncify build. Only the web
// build without threads compiles this file's body (it defines VELT_COOPERATIVE_THREADS).
#if defined(__EMSCRIPTEN__) && defined(VELT_COOPERATIVE_THREADS)

#include <emscripten.h>
#include <emscripten/fiber.h>
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

// The engine's entry point: the web build without threads compiles shell/main.cpp
// with main renamed to this, and its own main below runs it as the first thread.
int veltConsoleMain(int argc, char** argv);

extern "C" int __real_clock_gettime(clockid_t clock, timespec* time);

namespace velt {

namespace {

// A thread's C stack (the search's recursion runs on the engine's first thread and
// on any helper) and the room Asyncify needs to save its call stack at a switch.
constexpr std::size_t THREAD_STACK_BYTES = 8 << 20;
constexpr std::size_t SWITCH_STACK_BYTES = 1 << 20;
// How long a thread runs between visits to the browser's event loop, at most, as
// far as its clock reads tell.
constexpr double EVENT_LOOP_INTERVAL_MS = 10;
// With every thread waiting on something that only the page can bring, the worker
// sleeps until a line comes in, or this long.
constexpr double IDLE_SLEEP_MS = 1000;

enum class ThreadState { READY, WAITING, DONE };

struct CooperativeThread {
  emscripten_fiber_t fiber;
  void* (*start)(void*) = nullptr;
  void* argument = nullptr;
  void* result = nullptr;
  ThreadState state = ThreadState::READY;
  const void* waitsFor = nullptr;  // the lock, condition or thread it waits for
  double wakeAtMs = 0;             // a timed wait's end; 0 when untimed
  bool timedOut = false;
  bool detached = false;
  bool joined = false;
  std::unique_ptr<char[]> stack;
  std::unique_ptr<char[]> switchStack;
};

// The scheduler runs on the worker's own stack and switches to one thread at a time.
struct Scheduler {
  emscripten_fiber_t fiber;
  char switchStack[64 << 10];
  std::vector<CooperativeThread*> threads;
  CooperativeThread* current = nullptr;  // nullptr while the scheduler itself runs
  std::size_t next = 0;                  // where the round-robin search goes on
  bool visitEventLoop = false;
  double lastVisitMs = 0;
};

// The one scheduler of the worker: like the system's thread table, it belongs to the
// process.
Scheduler& scheduler() {
  static Scheduler instance;
  return instance;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "cooperative threads: %s\n", what);
  std::abort();
}

void switchToScheduler() {
  Scheduler& s = scheduler();
  emscripten_fiber_swap(&s.current->fiber, &s.fiber);
}

// Makes the running thread wait for `object` (until `wakeAtMs` when not 0); returns
// when another thread (or the clock) wakes it.
void waitFor(const void* object, double wakeAtMs) {
  Scheduler& s = scheduler();
  if (s.current == nullptr) fail("a wait outside any thread (the page's input never waits)");
  s.current->state = ThreadState::WAITING;
  s.current->waitsFor = object;
  s.current->wakeAtMs = wakeAtMs;
  s.current->timedOut = false;
  switchToScheduler();
}

// Wakes the threads that wait for `object`: all of them, or the first only.
void wake(const void* object, bool all) {
  for (CooperativeThread* thread : scheduler().threads) {
    if (thread->state == ThreadState::WAITING && thread->waitsFor == object) {
      thread->state = ThreadState::READY;
      thread->waitsFor = nullptr;
      if (!all) return;
    }
  }
}

void yieldThread() {
  Scheduler& s = scheduler();
  if (s.current == nullptr) return;
  s.current->state = ThreadState::READY;
  switchToScheduler();
}

void runThread(void* data) {
  auto* thread = static_cast<CooperativeThread*>(data);
  thread->result = thread->start(thread->argument);
  thread->state = ThreadState::DONE;
  wake(thread, true);
  switchToScheduler();
}

double realtimeMs() {
  timespec now{};
  __real_clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The mutex's word that says it is held: pthread_mutex_t is all zero when free.
int& heldWord(pthread_mutex_t* mutex) { return mutex->__u.__i[1]; }

// Frees the threads that have ended and that nobody will join any more.
void reclaimThreads(Scheduler& s) {
  for (std::size_t i = 0; i < s.threads.size();) {
    CooperativeThread* thread = s.threads[i];
    if (thread->state == ThreadState::DONE && (thread->detached || thread->joined)) {
      s.threads.erase(s.threads.begin() + static_cast<std::ptrdiff_t>(i));
      delete thread;
    } else {
      ++i;
    }
  }
}

// The next thread to run in round-robin order (waking those whose timed wait is
// over), or nullptr; `nearestWakeMs` gets the earliest end of a timed wait.
CooperativeThread* pickThread(Scheduler& s, double& nearestWakeMs) {
  const double now = emscripten_get_now();
  nearestWakeMs = 0;
  const std::size_t count = s.threads.size();
  for (std::size_t step = 0; step < count; ++step) {
    CooperativeThread* thread = s.threads[(s.next + step) % count];
    if (thread->state == ThreadState::WAITING && thread->wakeAtMs > 0) {
      if (thread->wakeAtMs <= now) {
        thread->state = ThreadState::READY;
        thread->timedOut = true;
        thread->waitsFor = nullptr;
      } else if (nearestWakeMs == 0 || thread->wakeAtMs < nearestWakeMs) {
        nearestWakeMs = thread->wakeAtMs;
      }
    }
    if (thread->state == ThreadState::READY) {
      s.next = (s.next + step + 1) % count;
      return thread;
    }
  }
  return nullptr;
}

struct MainArguments {
  int argc;
  char** argv;
};

void* runConsoleMain(void* data) {
  const auto* arguments = static_cast<MainArguments*>(data);
  std::exit(veltConsoleMain(arguments->argc, arguments->argv));
}

}  // namespace

}  // namespace velt

// Gives the browser's event loop a turn: returns after `waitMs` milliseconds, or
// at once (after the messages that wait) for 0, or as soon as the page calls
// Module.veltWake (after it handed over a line). A message channel rather than a
// zero timeout, which browsers stretch to 4 ms when timeouts nest.
EM_JS(void, velt_wait_for_page, (double waitMs), {
  Asyncify.handleSleep(function(wakeUp) {
    var done = false;
    var timer = 0;
    var fire = function() {
      if (done) return;
      done = true;
      if (timer) clearTimeout(timer);
      Module["veltWake"] = null;
      wakeUp();
    };
    Module["veltWake"] = fire;
    if (waitMs > 0) {
      timer = setTimeout(fire, waitMs);
    } else {
      var channel = new MessageChannel();
      channel.port1.onmessage = fire;
      channel.port2.postMessage(0);
    }
  });
});

int main(int argc, char** argv) {
  using namespace velt;
  Scheduler& s = scheduler();
  emscripten_fiber_init_from_current_context(&s.fiber, s.switchStack, sizeof s.switchStack);
  MainArguments arguments{argc, argv};
  pthread_t first;
  pthread_create(&first, nullptr, runConsoleMain, &arguments);
  for (;;) {
    reclaimThreads(s);
    double nearestWakeMs = 0;
    CooperativeThread* thread = s.visitEventLoop ? nullptr : pickThread(s, nearestWakeMs);
    if (thread == nullptr) {
      const bool idle = !s.visitEventLoop;
      s.visitEventLoop = false;
      const double now = emscripten_get_now();
      velt_wait_for_page(!idle ? 0 : nearestWakeMs > 0 ? std::max(nearestWakeMs - now, 0.01) : IDLE_SLEEP_MS);
      s.lastVisitMs = emscripten_get_now();
      continue;
    }
    s.current = thread;
    emscripten_fiber_swap(&s.fiber, &thread->fiber);
    s.current = nullptr;
  }
}

extern "C" {

int __wrap_pthread_create(pthread_t* handle, const pthread_attr_t*, void* (*start)(void*), void* argument) {
  using namespace velt;
  auto* thread = new CooperativeThread;
  thread->start = start;
  thread->argument = argument;
  thread->stack = std::make_unique<char[]>(THREAD_STACK_BYTES);
  thread->switchStack = std::make_unique<char[]>(SWITCH_STACK_BYTES);
  emscripten_fiber_init(&thread->fiber, runThread, thread, thread->stack.get(), THREAD_STACK_BYTES,
                        thread->switchStack.get(), SWITCH_STACK_BYTES);
  scheduler().threads.push_back(thread);
  *handle = reinterpret_cast<pthread_t>(thread);
  return 0;
}

int __wrap_pthread_join(pthread_t handle, void** result) {
  using namespace velt;
  auto* thread = reinterpret_cast<CooperativeThread*>(handle);
  while (thread->state != ThreadState::DONE) waitFor(thread, 0);
  if (result != nullptr) *result = thread->result;
  thread->joined = true;
  return 0;
}

int __wrap_pthread_detach(pthread_t handle) {
  reinterpret_cast<velt::CooperativeThread*>(handle)->detached = true;
  return 0;
}

pthread_t __wrap_pthread_self() { return reinterpret_cast<pthread_t>(velt::scheduler().current); }

int __wrap_sched_yield() {
  velt::yieldThread();
  return 0;
}

int __wrap_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
  velt::heldWord(mutex) = 0;
  return 0;
}

int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex) {
  while (velt::heldWord(mutex) != 0) velt::waitFor(mutex, 0);
  velt::heldWord(mutex) = 1;
  return 0;
}

int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex) {
  if (velt::heldWord(mutex) != 0) return EBUSY;
  velt::heldWord(mutex) = 1;
  return 0;
}

int __wrap_pthread_mutex_unlock(pthread_mutex_t* mutex) {
  velt::heldWord(mutex) = 0;
  velt::wake(mutex, false);
  return 0;
}

int __wrap_pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* mutex) {
  __wrap_pthread_mutex_unlock(mutex);
  velt::waitFor(condition, 0);
  return __wrap_pthread_mutex_lock(mutex);
}

int __wrap_pthread_cond_timedwait(pthread_cond_t* condition, pthread_mutex_t* mutex, const timespec* until) {
  using namespace velt;
  // The deadline is on the real-time clock; the scheduler counts on the monotonic one.
  const double untilMs = static_cast<double>(until->tv_sec) * 1000.0 + static_cast<double>(until->tv_nsec) / 1e6;
  const double wakeAtMs = emscripten_get_now() + std::max(untilMs - realtimeMs(), 0.01);
  __wrap_pthread_mutex_unlock(mutex);
  waitFor(condition, wakeAtMs);
  const bool timedOut = scheduler().current->timedOut;
  __wrap_pthread_mutex_lock(mutex);
  return timedOut ? ETIMEDOUT : 0;
}

int __wrap_pthread_cond_signal(pthread_cond_t* condition) {
  velt::wake(condition, false);
  return 0;
}

int __wrap_pthread_cond_broadcast(pthread_cond_t* condition) {
  velt::wake(condition, true);
  return 0;
}

int __wrap_nanosleep(const timespec* duration, timespec* remaining) {
  using namespace velt;
  const double ms = static_cast<double>(duration->tv_sec) * 1000.0 + static_cast<double>(duration->tv_nsec) / 1e6;
  // Waiting for the thread itself: nothing else wakes it before its time.
  if (scheduler().current != nullptr) waitFor(scheduler().current, emscripten_get_now() + std::max(ms, 0.01));
  if (remaining != nullptr) *remaining = timespec{};
  return 0;
}

// Every clock read of a thread that has run long enough hands the worker to the
// event loop and the other threads for a turn: the search's polls read the clock.
int __wrap_clock_gettime(clockid_t clock, timespec* time) {
  using namespace velt;
  Scheduler& s = scheduler();
  if (s.current != nullptr && emscripten_get_now() - s.lastVisitMs >= EVENT_LOOP_INTERVAL_MS) {
    s.visitEventLoop = true;
    yieldThread();
  }
  return __real_clock_gettime(clock, time);
}

}  // extern "C"

#endif
