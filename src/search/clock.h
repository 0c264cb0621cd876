// The engine's millisecond clock, counted from the start of the current game.
#pragma once

#include <cstdint>

namespace velt {

// Milliseconds since the last resetTimeBase (wraps after 49 days; compare by difference).
std::uint32_t currentTimeMs();
// Restarts the clock at zero; called when a new game is set up.
void resetTimeBase();

}  // namespace velt
