#include "search/history.h"

namespace velt {

void resetHistory(HistoryTable& history) {
  for (int to = 0; to < 64; ++to) {
    for (int code = 0; code < 32; ++code) {
      history.values[0][to][code].store(700, std::memory_order_relaxed);
      history.values[1][to][code].store(100, std::memory_order_relaxed);
    }
  }
}

}  // namespace velt
