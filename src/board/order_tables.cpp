// Ordering piece-square values of the quiet-move scores, white's view, written rank 8
// first (files a..h); black reads them with the rank mirrored. The rook's are all 0.
#include "board/movegen.h"

namespace velt {

namespace {

// clang-format off
constexpr int whiteOrderTables[6][64] = {
    {   0,   0,   0,   0,   0,   0,   0,   0,
        5,  10,  15,  20,  20,  15,  10,   5,
        4,   8,  12,  16,  16,  12,   8,   4,
        3,   6,   9,  12,  12,   9,   6,   3,
        2,   4,   6,   8,   8,   6,   4,   2,
        1,   2,   3,   0,   0,   3,   2,   1,
        0,   0,   0, -16, -20,   0,   0,   0,
        0,   0,   0,   0,   0,   0,   0,   0},
    {  -7,  -6,  -5,  -4,  -4,  -5,  -6,  -7,
       -6,  -4,   0,   2,   2,   0,  -4,  -6,
       -5,   0,  10,  12,  12,  10,   0,  -5,
       -4,   0,   9,  12,  12,   9,   0,  -4,
       -5,   0,   8,  12,  12,   8,   0,  -5,
       -6,   0,   8,   8,   8,   8,   0,  -6,
       -8,  -4,   0,   0,   0,   0,  -4,  -8,
      -10, -10,  -8,  -8,  -8,  -8, -10, -10},
    {  -4,  -2,  -2,  -2,  -2,  -2,  -2,  -4,
       -2,   2,   2,   2,   2,   2,   2,  -2,
       -2,   2,   6,   8,   8,   6,   2,  -2,
       -2,   2,   5,   8,   8,   5,   2,  -2,
       -2,   0,   4,   8,   8,   4,   0,  -2,
       -2,   0,   3,   4,   4,   3,   0,  -2,
       -2,   4,   0,   2,   2,   0,   4,  -2,
       -4,  -4,  -4,  -4,  -4,  -4,  -4,  -4},
    {},
    {  -6,  -3,   0,   0,   0,   0,  -3,  -6,
       -6,   0,   2,   2,   2,   2,   0,  -6,
       -6,   2,   6,   6,   6,   6,   2,  -6,
       -6,   2,   5,   8,   8,   5,   2,  -6,
       -4,   2,   4,   8,   8,   4,   2,  -4,
       -4,   2,   3,   4,   4,   3,   2,  -4,
       -4,   0,   2,   2,   2,   2,   0,  -4,
        0,   0,   0,   0,   0,   0,   0,   0},
    { -40, -40, -40, -40, -40, -40, -40, -40,
      -40, -40, -40, -40, -40, -40, -40, -40,
      -40, -40, -40, -40, -40, -40, -40, -40,
      -40, -40, -40, -40, -40, -40, -40, -40,
      -32, -32, -32, -32, -32, -32, -32, -32,
      -16, -16, -16, -16, -16, -16, -16, -16,
       -4,  -6,  -8,  -8,  -8,  -8,  -6,  -4,
       -4,   0,  -4,  -8,  -8,  -8,   0,  -4},
};
// clang-format on

constexpr OrderTables makeOrderTables() {
  OrderTables t{};
  for (int type = PAWN; type <= KING; ++type) {
    for (int square = 0; square < 64; ++square) {
      // The tables list rank 8 first, so a white square reads its rank-mirrored entry.
      t.orderPST[WHITE][type][square] = whiteOrderTables[type][square ^ 56];
      t.orderPST[BLACK][type][square] = whiteOrderTables[type][square];
    }
  }
  return t;
}

}  // namespace

constinit const OrderTables orderTables = makeOrderTables();

}  // namespace velt
