// Loading of the endgame tablebases on first need, and again after their path or
// cache size changed.
#pragma once

namespace velt {

struct Engine;

// Registers the files of the tablebase path and allocates their cache, unless that
// was done already (tablebaseStatus.largest is then 0 or more).
void loadTablebases(Engine& engine);
// Frees the cache and forgets the registration; loads again at once when a path is set.
void reloadTablebases(Engine& engine);

}  // namespace velt
