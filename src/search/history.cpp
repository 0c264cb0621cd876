#include "search/history.h"

int historyTable[2][64][32];

void resetHistory() {
  for (int to = 0; to < 64; ++to) {
    for (int code = 0; code < 32; ++code) {
      historyTable[0][to][code] = 700;
      historyTable[1][to][code] = 100;
    }
  }
}
