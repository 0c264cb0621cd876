#include "board/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

// Each verdict holds for the colour-flipped position as well.
TEST(RecognizedDraw, NamedPositions) {
  struct Case {
    const char* fen;
    bool draw;
  };
  const Case cases[] = {
      // Bare material.
      {"8/8/4k3/8/8/4K3/8/8 w - -", true},
      {"8/8/4k3/8/8/3NK3/8/8 b - -", true},
      {"8/8/4k3/8/8/3RK3/8/8 w - -", false},
      {"8/8/4k3/8/8/2NNK3/8/8 w - -", false},
      // Pawn endings: the defender in front of a rook pawn; the king on the sixth
      // rank in front of its pawn wins; on the fifth the opposition decides.
      {"k7/8/8/8/P7/8/8/K7 w - -", true},
      {"4k3/8/4K3/4P3/8/8/8/8 b - -", false},
      {"8/4k3/8/4K3/4P3/8/8/8 w - -", true},
      {"8/4k3/8/4K3/4P3/8/8/8 b - -", false},
      // Wrong rook-pawn bishop; other pawn material is not recognized.
      {"k7/8/8/P7/2K5/4B3/8/8 w - -", true},
      {"k7/8/8/P7/2K5/8/4B3/8 w - -", false},
      {"k7/8/8/p7/P1K5/8/8/8 w - -", false},
      // Opposite bishops with one pawn: the weak king blocks it on a square the
      // strong bishop cannot reach, or the weak bishop watches its path from afar.
      {"8/5b2/4k3/4P3/8/8/3B4/2K5 b - -", true},
      {"8/5b2/4k3/4P3/8/8/3B4/2K5 w - -", false},
      {"8/4b3/4k3/4P3/8/8/3B4/2K5 b - -", false},
      {"5b2/8/8/3k4/8/2P5/3K4/5B2 b - -", true},
      {"8/8/8/3k4/8/2P5/3K4/b4B2 b - -", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isRecognizedDraw(*positionFromFen(c.fen)), c.draw) << c.fen;
    EXPECT_EQ(isRecognizedDraw(*positionFromFen(flipFen(c.fen).c_str())), c.draw) << flipFen(c.fen);
  }
}

TEST(RecognizedDraw, SameVerdictWithColoursExchanged) {
  std::mt19937 rng(555);
  int draws = 0;
  for (const char* men : {"P", "p", "BP", "bp", "BPb", "bpB", "N", "R", "Pn"})
    for (int round = 0; round < 300; ++round) {
      const std::string fen = randomFenOf(rng, men), flipped = flipFen(fen);
      const bool draw = isRecognizedDraw(*positionFromFen(fen.c_str()));
      EXPECT_EQ(isRecognizedDraw(*positionFromFen(flipped.c_str())), draw) << fen << " / " << flipped;
      draws += draw;
    }
  EXPECT_GT(draws, 300);
}

// A discovered check only when the mover leaves the line of its own slider: a pawn
// push stays on the file, its capture leaves it; not with a second blocker, a bishop
// on a file or an enemy man behind.
TEST(DiscoveredCheck, OnlyWhenTheMoverLeavesTheLine) {
  struct Case {
    const char* fen;
    const char* move;
    bool check;
  };
  const Case cases[] = {
      {"4k3/8/8/8/4N3/8/8/K3R3 w - -", "e4c5", true},   {"4k3/8/8/3p4/4P3/8/8/K3R3 w - -", "e4e5", false},
      {"4k3/8/8/3p4/4P3/8/8/K3R3 w - -", "e4d5", true}, {"4k3/4n3/8/8/4N3/8/8/K3R3 w - -", "e4c5", false},
      {"4k3/8/8/8/4N3/8/8/K3B3 w - -", "e4c5", false},  {"4k3/8/8/8/4N3/8/8/K3r3 w - -", "e4c5", false},
      {"q6k/8/8/3n4/8/8/8/7K b - -", "d5f6", true},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(*pos, c.move, move)) << c.move;
    EXPECT_EQ(isDiscoveredCheckMove(*pos, move), c.check) << c.fen << " " << c.move;
  }
}

}  // namespace

}  // namespace velt
