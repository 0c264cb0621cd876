// The browser build with threads: how a waiting search thread gives its core away.
//
// Emscripten's sched_yield returns at once, so a search thread that waits for work,
// for its helpers or for a lock keeps its core. Where the page gets fewer cores than
// it runs search threads (other programs, other pages), the waiting threads then
// take the cores' time from the threads that have the work, and two threads search
// several times slower than one: natively the yield hands the core to a thread that
// wants it, and the working limit (search/machine_load.h) keeps the threads to the
// cores that other programs leave free, which a browser cannot measure (it tells no
// processor times). Here a wait spins as natively for half a millisecond, which is
// where a split or a lock usually arrives on a free core, and then sleeps on a futex
// between looks, longer the longer it has waited: meanwhile the system runs whichever
// thread wants the core. Measured on two cores, 5 s searches: with a core free, two
// threads ran at 1.7 times one thread's speed (1.9 with a bare yield); with the other
// core busy, at 0.7 times (0.13 with a bare yield).
//
// Only the web build with threads compiles this file's body (it defines
// VELT_PAGE_THREADS and links with --wrap=sched_yield).
#if defined(__EMSCRIPTEN__) && defined(VELT_PAGE_THREADS)

#include <emscripten.h>
#include <emscripten/threading.h>

#include <algorithm>
#include <cstdint>

namespace {

// A wait spins this long first: a split or a lock is often there within it.
constexpr double SPIN_MS = 0.5;
// Then each yield sleeps a quarter of the time the wait has lasted, within these
// bounds: a long wait (a helper between splits) wakes seldom, since each wake-up
// costs the browser some microseconds of the core, and a short one soon.
constexpr double SLEEP_SHARE_OF_WAIT = 0.25;
constexpr double SHORTEST_SLEEP_MS = 0.001;  // the system stretches it to its timer slack
constexpr double LONGEST_SLEEP_MS = 0.25;
// Yields closer together than this belong to one wait.
constexpr double SAME_WAIT_GAP_MS = 0.05;

// The thread's current wait: when it began, and when its last yield returned.
thread_local double waitStartMs = 0;
thread_local double lastYieldMs = 0;

// The word the sleeps wait on: nobody changes it, so only the time ends them.
std::uint32_t unchangedWord = 0;

}  // namespace

extern "C" int __wrap_sched_yield() {
  const double now = emscripten_get_now();
  if (now - lastYieldMs > SAME_WAIT_GAP_MS) waitStartMs = now;
  const double waitedMs = now - waitStartMs;
  if (waitedMs >= SPIN_MS) {
    emscripten_futex_wait(&unchangedWord, 0,
                          std::clamp(waitedMs * SLEEP_SHARE_OF_WAIT, SHORTEST_SLEEP_MS, LONGEST_SLEEP_MS));
    lastYieldMs = emscripten_get_now();
  } else {
    lastYieldMs = now;
  }
  return 0;
}

#endif
