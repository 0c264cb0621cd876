// The browser build with threads: how a waiting search thread gives its core away.
//
// Emscripten's sched_yield returns at once, so a search thread that waits for work,
// for its helpers or for a lock keeps its core. Where the page gets fewer cores than
// it runs search threads (other programs, other pages), the waiting threads then
// take the cores' time from the threads that have the work, and two threads search
// several times slower than one: natively the yield hands the core to a thread that
// wants it, and the working limit (search/machine_load.h) keeps the threads to the
// cores that other programs leave free, which a browser cannot measure (it tells no
// processor times). Here a yield sleeps for a moment on a futex instead, which lets
// the system run whichever thread wants the core meanwhile. With a core free the
// sleep ends after the system's timer slack, a few hundredths of a millisecond, so a
// split still finds its helper at once.
//
// Only the web build with threads compiles this file's body (it defines
// VELT_PAGE_THREADS and links with --wrap=sched_yield).
#if defined(__EMSCRIPTEN__) && defined(VELT_PAGE_THREADS)

#include <emscripten/threading.h>

#include <cstdint>

namespace {

// The shortest sleep the futex wait takes; the system stretches it to its timer slack.
constexpr double HAND_OVER_MS = 0.001;

// The word the sleeps wait on: nobody changes it, so only the time ends them.
std::uint32_t unchangedWord = 0;

}  // namespace

extern "C" int __wrap_sched_yield() {
  emscripten_futex_wait(&unchangedWord, 0, HAND_OVER_MS);
  return 0;
}

#endif
