// The game loop: carries out what the protocol handlers leave in pendingCommand.
#pragma once

// Runs until a quit command; returns then.
void runGameLoop();
