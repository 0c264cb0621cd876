// The status line of xboard analysis (the "." command).
#pragma once

namespace velt {

struct Engine;

// From the search's own fields, between searches.
void printSearchStatus(Engine& engine);
// From the progress the running search published at its last poll.
void printPolledStatus(Engine& engine);

}  // namespace velt
