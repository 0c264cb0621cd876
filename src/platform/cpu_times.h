// Processor time used on the whole machine and by this process, so that the search
// can tell how much of the machine other programs take.
#pragma once

#include <cstdint>

namespace velt {

struct CpuTimes {
  std::uint64_t machineBusyNs = 0;  // all processors, all programs: everything but idle time
  std::uint64_t processNs = 0;      // this process's threads
};

// False where the system does not tell.
bool readCpuTimes(CpuTimes& times);

}  // namespace velt
