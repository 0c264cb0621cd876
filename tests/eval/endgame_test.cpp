#include "eval/terms.h"

#include <gtest/gtest.h>

#include "support/board_setup.h"

namespace velt {

namespace {

TEST(WrongBishop, OnlyTheBishopThatMissesTheQueeningCorner) {
  struct Case {
    const char* fen;
    int material;  // white's view
    bool draw;
  };
  const Case cases[] = {
      // Black a-pawns queen on a1 (dark): the light-squared c4 bishop is wrong, d4 right.
      {"8/8/8/k7/p1b5/p7/8/1K6 w - -", -9000, true},
      {"8/8/8/k7/p2b4/p7/8/1K6 w - -", -9000, false},
      // The king outside the corner, or a pawn off the a-file: no draw.
      {"8/8/8/k7/p1b5/p7/8/2K5 w - -", -9000, false},
      {"8/8/8/k7/p1b5/1p6/8/1K6 w - -", -9000, false},
      // Black h-pawn queens on h1 (light); white's h-pawn on h8 (dark).
      {"8/8/8/7k/3b3p/8/6K1/8 w - -", -6000, true},
      {"8/8/8/7k/4b2p/8/6K1/8 w - -", -6000, false},
      {"6k1/8/8/7P/8/8/1B6/K7 w - -", 6000, false},
      {"6k1/8/8/7P/8/8/2B5/K7 w - -", 6000, true},
      // A bishop without pawns cannot win in a corner it does not control.
      {"k7/8/8/8/8/8/8/2B3K1 w - -", 3200, true},
      {"k7/8/8/8/8/8/8/1B4K1 w - -", 3200, false},
  };
  for (const Case& c : cases) EXPECT_EQ(isWrongBishopDraw(*positionFromFen(c.fen), c.material), c.draw) << c.fen;
}

}  // namespace

}  // namespace velt
