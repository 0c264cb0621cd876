// Output of the console words that show the board layer's work: the board diagram
// and the perft listing.
#pragma once

#include "board/position.h"

namespace velt {

struct Engine;

// Prints the position as eight lines, rank 8 first, squares separated by blanks.
void printBoard(Engine& engine, const Position& pos);

// The console word "perft <depth>" on the game position: one line per root move,
// an empty line, the total and the time with the speed.
void perftCommand(Engine& engine, const char* arguments);

}  // namespace velt
