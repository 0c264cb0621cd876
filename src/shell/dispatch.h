// The console dispatcher: every input line goes through it, both between searches
// and from the search's input poll.
#pragma once

namespace velt {

struct Engine;

// Handles one input line: the protocol words, the console words, or the protocol
// handler of the chosen protocol.
void dispatchCommand(Engine& engine, const char* line);

}  // namespace velt
