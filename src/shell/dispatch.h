// The console dispatcher: every input line the game loop handles goes through it,
// between searches and, for the lines the command reader held, as a search ends.
#pragma once

#include "search/search_state.h"

namespace velt {

struct Engine;

// What a line does to a running search: the stop it asks for, and whether that is
// all it does (the game loop then need not see the line).
struct SearchEffect {
  int stop = STOP_NONE;
  bool stopOnly = false;
};

// Handles one input line: the protocol words, the console words, or the protocol
// handler of the chosen protocol, followed by the line's stop.
void dispatchCommand(Engine& engine, const char* line);
// The effect of a line of the chosen protocol on the running search.
SearchEffect searchEffect(const Engine& engine, const char* line);
// Answers a line that needs nothing of the game or the search ("isready"; xboard
// "hint", and "." and "ping" during analysis); false when the line is no such line.
// Behind lines held for the search's end, xboard's answers wait their turn so that
// the output keeps its order; UCI's "isready" is answered at once whatever waits.
bool answerAtOnce(Engine& engine, const char* line, bool behindHeldLines);

}  // namespace velt
