#include <gtest/gtest.h>

#include "eval/pawns.h"
#include "support/board_setup.h"

namespace {

constexpr int WON = 51200;

int race(const std::string& fen) {
  auto pos = positionFromFen(fen.c_str());
  return pawnRaceScore(*pos, *probePawnHash(*pos));
}

// Each verdict is checked against the colour-flipped twin as well.
TEST(PawnRace, Verdicts) {
  struct Case {
    const char* fen;
    int score;
  };
  const Case cases[] = {
      // The square rule.
      {"8/8/8/P6k/8/8/8/7K w - -", WON},
      {"8/8/8/P2k4/8/8/8/7K w - -", 0},
      {"8/8/8/P3k3/8/8/8/7K w - -", WON},  // one file too far...
      {"8/8/8/P3k3/8/8/8/7K b - -", 0},    // ...unless it is to move
      {"8/8/8/P7/8/1k6/8/7K w - -", WON},  // behind the pawn
      // Escort by the own king.
      {"4k3/1K6/2P5/8/8/8/8/8 w - -", WON},
      // Double step, blockers, the side to move a move ahead.
      {"8/8/7p/4p2k/4P3/8/P7/K7 w - -", WON},
      {"8/8/7p/4p2k/K3P3/P7/8/8 w - -", 0},
      {"8/8/7p/4p2k/4P3/P7/8/K7 b - -", 0},
      {"8/8/8/4p2k/4P2p/P7/8/K7 b - -", -WON},
      // The first queen watches the other queening square unless the diagonal is shut.
      {"8/8/7p/7k/K7/P7/8/8 w - -", WON},
      {"8/8/7p/4p2k/K3P3/P7/8/8 w - -", 0},
      // A catchable pawn of the loser, an equal race won by a queen with check.
      {"7k/8/8/P5K1/7p/8/8/8 w - -", 0},
      {"7k/8/8/P7/7p/6K1/8/8 w - -", WON},
      {"7k/8/8/P3p3/4P2p/8/8/K7 w - -", 3200},
      // Only against a side without pieces.
      {"8/8/8/P6k/8/8/8/n6K w - -", 0},
      {"8/8/8/P6k/8/8/8/N6K w - -", WON},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(race(c.fen), c.score) << c.fen;
    EXPECT_EQ(race(flipFen(c.fen)), -c.score) << flipFen(c.fen);
  }
}

}  // namespace
