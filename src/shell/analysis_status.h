// The status line of xboard analysis (the "." command).
#pragma once

namespace velt {

void printSearchStatus();

}  // namespace velt
