#include "search/history.h"

namespace velt {

std::atomic<int> historyTable[2][64][32];

void resetHistory() {
  for (int to = 0; to < 64; ++to) {
    for (int code = 0; code < 32; ++code) {
      historyTable[0][to][code].store(700, std::memory_order_relaxed);
      historyTable[1][to][code].store(100, std::memory_order_relaxed);
    }
  }
}

}  // namespace velt
