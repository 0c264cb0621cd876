// The gain tables: per piece move, the smallest and largest change of the positional
// score seen, from the mover's view. The evaluation learns them; the move generator
// and the search's pruning read them. Shared by all search threads without locks as
// relaxed atomics (a lost update is harmless).
#pragma once

#include <atomic>

#include "board/types.h"

namespace velt {

constexpr int GAIN_TABLE_SIZE = 32 * 4096;

// Both values of one move side by side: every evaluation reads and learns both, and
// one cache line then serves it (a line that search threads pass back and forth).
struct GainEntry {
  std::atomic<int> largest;
  std::atomic<int> smallest;
};

struct GainTables {
  GainEntry entries[GAIN_TABLE_SIZE];
};

inline int largestGain(const GainTables& gains, int index) {
  return gains.entries[index].largest.load(std::memory_order_relaxed);
}
inline int smallestGain(const GainTables& gains, int index) {
  return gains.entries[index].smallest.load(std::memory_order_relaxed);
}
// Index by the piece code standing on the destination after the move and the
// from-to pair.
inline int gainIndex(int pieceCodeAfter, Move move) { return pieceCodeAfter * 4096 + static_cast<int>(move & 0xFFF); }

}  // namespace velt
