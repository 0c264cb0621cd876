// The game loop: runs the engine's turns and carries out what the protocol handlers
// leave in pendingCommand.
#pragma once

namespace velt {

struct Engine;

// Runs until a quit command; returns then.
void runGameLoop(Engine& engine);

}  // namespace velt
