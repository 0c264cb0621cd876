// The memory report printed after the protocol command.
#pragma once

namespace velt {

void printMemoryUsage();

}  // namespace velt
