// Writing files safely on either system: the data reaches the disk, then the new file
// takes the place of the old one in one step.
#pragma once

#include <cstdio>

namespace velt {

// Flushes the stream and asks the system to write its data to the disk.
bool flushToDisk(std::FILE* file);
// Renames `from` to `to`, replacing an existing `to` (which std::rename does not do
// on Windows).
bool replaceFile(const char* from, const char* to);

}  // namespace velt
