// Machine and process processor times: /proc/stat and the process clock on Linux,
// GetSystemTimes and GetProcessTimes on Windows; a browser does not tell them.
#include "platform/cpu_times.h"

#ifdef _WIN32
#include <windows.h>
#elif !defined(__EMSCRIPTEN__)
#include <cstdio>
#include <ctime>
#include <unistd.h>
#endif

namespace velt {

#ifdef _WIN32

namespace {

constexpr std::uint64_t NS_PER_FILETIME_UNIT = 100;

std::uint64_t filetimeNs(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) * NS_PER_FILETIME_UNIT;
}

}  // namespace

bool readCpuTimes(CpuTimes& times) {
  FILETIME idle, kernel, user, created, exited, processKernel, processUser;
  if (!GetSystemTimes(&idle, &kernel, &user) ||
      !GetProcessTimes(GetCurrentProcess(), &created, &exited, &processKernel, &processUser)) {
    return false;
  }
  // The system's kernel time includes its idle time.
  times.machineBusyNs = filetimeNs(kernel) + filetimeNs(user) - filetimeNs(idle);
  times.processNs = filetimeNs(processKernel) + filetimeNs(processUser);
  return true;
}

#elif defined(__EMSCRIPTEN__)

bool readCpuTimes(CpuTimes&) { return false; }

#else

bool readCpuTimes(CpuTimes& times) {
  std::FILE* file = std::fopen("/proc/stat", "r");
  if (file == nullptr) return false;
  // The first line sums all processors, in ticks: user nice system idle iowait irq
  // softirq steal. Time the hypervisor gave to other machines (steal) is not ours either.
  unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  const int fields = std::fscanf(file, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle,
                                 &iowait, &irq, &softirq, &steal);
  std::fclose(file);
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  timespec process{};
  if (fields < 4 || ticksPerSecond <= 0 || clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &process) != 0) return false;
  const std::uint64_t nsPerTick = 1'000'000'000ULL / static_cast<std::uint64_t>(ticksPerSecond);
  times.machineBusyNs = (user + nice + system + irq + softirq + steal) * nsPerTick;
  times.processNs = static_cast<std::uint64_t>(process.tv_sec) * 1'000'000'000ULL + static_cast<std::uint64_t>(process.tv_nsec);
  return true;
}

#endif

}  // namespace velt
