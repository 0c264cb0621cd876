// Short sleeps through the system's own call.
#include "platform/pause.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten/threading.h>

#include <chrono>
#include <cstdint>
#include <thread>
#else
#include <chrono>
#include <thread>
#endif

namespace velt {

#ifdef _WIN32
void sleepBriefly() { Sleep(1); }
#elif defined(__EMSCRIPTEN__)
void sleepBriefly() {
  // Emscripten's sleep spins through waits under a tenth of a millisecond, which
  // would keep the core from the thread with the work; a wait on a word nobody
  // changes gives it away. Without threads (the build of cooperative threads) the
  // sleep is a switch to another thread.
  constexpr double WAIT_MS = 0.1;
  if (emscripten_has_threading_support()) {
    static std::uint32_t unchanged = 0;
    emscripten_futex_wait(&unchanged, 0, WAIT_MS);
  } else {
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
}
#else
void sleepBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(50)); }
#endif

}  // namespace velt
