// Giving the processor away for a moment, for the wait loops of the search threads.
#pragma once

namespace velt {

// Sleeps for a short while (about 50 microseconds on Linux). Windows sleeps whole
// milliseconds: a shorter request there only yields, which lets waiting threads that
// outnumber the cores keep them all busy and starve the thread that holds the work.
// In the browser it waits a tenth of a millisecond, for the same reason.
void sleepBriefly();

// Tells the processor that this thread waits in a loop (x86's pause, Arm's yield), so
// that it spends less on the loop; nothing where no such hint is known.
inline void cpuPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  __asm__ __volatile__("yield");
#endif
}

}  // namespace velt
