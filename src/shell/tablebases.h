// Loading of the endgame tablebases on first need, and again after their path or
// cache size changed.
#pragma once

#include <string>

#include "egtb/tb_fault.h"

namespace velt {

struct Engine;

// The line that tells a tablebase fault ("*** <file> corrupted").
std::string tablebaseFaultLine(TablebaseFault fault, const std::string& fileName, const std::string& detail);

// Registers the files of the tablebase path and allocates their cache, unless that
// was done already (engine.tablebases.largest is then 0 or more). The searches then
// probe them.
void loadTablebases(Engine& engine);
// Frees the cache and forgets the registration; loads again at once when a path is set.
void reloadTablebases(Engine& engine);

}  // namespace velt
