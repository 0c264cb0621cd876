// History heuristic tables shared by all search threads without locks: relaxed
// atomics, whose read-modify-write updates may be lost (that is harmless). Indexed by
// bank, destination square and the moving man's piece code.
#pragma once

#include <atomic>

namespace velt {

constexpr int HISTORY_MAX = 32768;

struct HistoryTable {
  std::atomic<int> values[2][64][32];
};

inline int historyValue(const HistoryTable& history, int select, int to, int pieceCode) {
  return history.values[select][to][pieceCode].load(std::memory_order_relaxed);
}

// Bank 0 back to 700 and bank 1 back to 100 (new game, table clear).
void resetHistory(HistoryTable& history);

}  // namespace velt
