// Allocation and set-up of the engine's tables, done once a protocol or a console
// word first needs them and redone when the protocol is announced again.
#pragma once

namespace velt {

struct Engine;

// Builds the tables and sets up a new game; returns false after printing an error
// when memory is short.
bool initApp(Engine& engine);
// Frees what initApp allocated.
void releaseApp(Engine& engine);
// Whether initApp has run (and releaseApp not since).
bool appReady(const Engine& engine);

}  // namespace velt
