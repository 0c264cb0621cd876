// The faults of tablebase files, which the egtb code leaves out and tells its caller.
#pragma once

#include <string>

namespace velt {

enum class TablebaseFault { SEEK_FAILED, CORRUPTED, UNREADABLE, UNSUPPORTED_BLOCK_SIZE };

// Told about each file left out, at registration or when a probe cannot read it (then
// from the probing thread, once per file). `detail` is why a file is unreadable, or
// the block size it has.
struct TablebaseFaultHook {
  void* context = nullptr;
  void (*report)(void* context, TablebaseFault fault, const std::string& fileName, const std::string& detail) = nullptr;
};

}  // namespace velt
