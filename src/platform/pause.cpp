// Short sleeps through the system's own call.
#include "platform/pause.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace velt {

#ifdef _WIN32
void sleepBriefly() { Sleep(1); }
#else
void sleepBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(50)); }
#endif

}  // namespace velt
