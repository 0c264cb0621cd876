// Loading of the endgame tablebases on first need, and again after their path or
// cache size changed.
#pragma once

#include <string>

#include "board/position.h"
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
// Hands the Syzygy files of options.syzygyPath to the library (none when it is empty)
// and says what it found in one line, after a line for each file or folder refused:
// "info string ..." in UCI, "# ..." otherwise.
void loadSyzygyTables(Engine& engine);
// The Syzygy verdict of a position for the console: "Syzygy: win, DTZ 12" or
// "Syzygy: not in tables".
std::string syzygyVerdictLine(const Position& pos);
// A new Syzygy path from a protocol ("<empty>" is none): loaded at once when it differs.
void setSyzygyPath(Engine& engine, const std::string& path);

}  // namespace velt
