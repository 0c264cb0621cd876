// The gain tables: per piece move, the smallest and largest change of the positional
// score seen, from the mover's view. The evaluation learns them; the move generator
// and the search's pruning read them. Shared by all search threads without locks as
// relaxed atomics (a lost update is harmless).
#pragma once

#include <atomic>

#include "board/types.h"

namespace velt {

constexpr int GAIN_TABLE_SIZE = 32 * 4096;

struct GainTables {
  std::atomic<int> largest[GAIN_TABLE_SIZE];
  std::atomic<int> smallest[GAIN_TABLE_SIZE];
};

inline int gainAt(const std::atomic<int>* table, int index) { return table[index].load(std::memory_order_relaxed); }
// Index by the piece code standing on the destination after the move and the
// from-to pair.
inline int gainIndex(int pieceCodeAfter, Move move) { return pieceCodeAfter * 4096 + static_cast<int>(move & 0xFFF); }

}  // namespace velt
