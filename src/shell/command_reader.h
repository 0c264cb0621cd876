// The command reader: the engine's thread that takes the input lines while a search
// runs, so that the search itself never handles a command. Once the search takes
// commands (its shallow iterations done, no stop pending) the reader answers at once
// what needs nothing of the game ("isready"; xboard "hint", "." and "ping" in analysis),
// turns what stops the search into its stop flag, and holds the other lines for
// the game loop, which handles them as the search ends. Until then, and after a
// stop, the lines wait for the game loop.
#pragma once

#include <string>
#include <vector>

namespace velt {

struct Engine;

void startCommandReader(Engine& engine);
// Ends and joins the reader; nothing when none runs.
void stopCommandReader(Engine& engine);
// The hand-over around a search: from beginSearchCommands on the reader takes the
// lines; endSearchCommands gives them back to the game loop and returns the lines
// the reader held meanwhile, in their order.
void beginSearchCommands(Engine& engine);
std::vector<std::string> endSearchCommands(Engine& engine);

}  // namespace velt
