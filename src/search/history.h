// History heuristic tables shared by all search threads without locks: relaxed
// atomics, whose read-modify-write updates may be lost (that is harmless). Indexed by
// bank, destination square and the moving man's piece code.
#pragma once

#include <atomic>

namespace velt {

constexpr int HISTORY_MAX = 32768;

extern std::atomic<int> historyTable[2][64][32];

inline int historyValue(int select, int to, int pieceCode) {
  return historyTable[select][to][pieceCode].load(std::memory_order_relaxed);
}

// Bank 0 back to 700 and bank 1 back to 100 (new game, table clear).
void resetHistory();

}  // namespace velt
