// Busy waiting: spin locks and wait loops. A waiting thread pauses the processor and,
// after a short while, gives its core away, so that more search threads than cores
// still let the thread holding the work run.
#pragma once

#include <atomic>
#include <thread>

#include "platform/pause.h"

namespace velt {

// Spins of pure processor pauses before a waiter starts yielding, and yields before
// it sleeps a little between looks.
constexpr int SPINS_BEFORE_YIELD = 64;
constexpr int SPINS_BEFORE_SLEEP = 1024;

// One step of a wait loop; `spins` counts the steps of this wait.
inline void spinPause(int& spins) {
  if (spins < SPINS_BEFORE_YIELD) {
    ++spins;
    cpuPause();
  } else if (spins < SPINS_BEFORE_SLEEP) {
    ++spins;
    std::this_thread::yield();
  } else {
    sleepBriefly();
  }
}

struct SpinLock {
  std::atomic<int> flag{0};

  void lock() {
    int spins = 0;
    while (flag.exchange(1, std::memory_order_acquire) != 0) {
      while (flag.load(std::memory_order_relaxed) != 0) spinPause(spins);
    }
  }
  void unlock() { flag.store(0, std::memory_order_release); }
};

// Holds a spin lock for the lifetime of the guard.
struct SpinGuard {
  explicit SpinGuard(SpinLock& held) : lock(held) { lock.lock(); }
  ~SpinGuard() { lock.unlock(); }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;
  SpinLock& lock;
};

}  // namespace velt
