// The status line of xboard analysis (the "." command).
#pragma once

namespace velt {

struct Engine;

void printSearchStatus(Engine& engine);

}  // namespace velt
