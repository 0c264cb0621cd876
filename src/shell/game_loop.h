// The game loop: runs the engine's turns and carries out what the protocol handlers
// leave in pendingCommand.
#pragma once

namespace velt {

// Runs until a quit command; returns then.
void runGameLoop();

}  // namespace velt
