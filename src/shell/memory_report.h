// The memory report printed after the protocol command.
#pragma once

namespace velt {

struct Engine;

void printMemoryUsage(Engine& engine);

}  // namespace velt
