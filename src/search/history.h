// History heuristic tables shared by all search threads (updates may be lost; that is
// harmless). Indexed by bank, destination square and the moving man's piece code.
#pragma once

constexpr int HISTORY_MAX = 32768;

extern int historyTable[2][64][32];

// Bank 0 back to 700 and bank 1 back to 100 (new game, table clear).
void resetHistory();
