#include <gtest/gtest.h>

#include "eval/pawns.h"
#include "support/eval_setup.h"

namespace {

// The race score of a position, checked against its colour-flipped twin.
int race(const char* fen) {
  Position& pos = setUpEvalPosition(fen);
  const int score = pawnRaceScore(pos, *probePawnHash(pos));
  const std::string flipped = flipFen(fen);
  Position& twin = setUpEvalPosition(flipped.c_str());
  EXPECT_EQ(pawnRaceScore(twin, *probePawnHash(twin)), -score) << flipped;
  return score;
}

TEST(PawnRace, SquareRule) {
  EXPECT_EQ(race("8/8/8/P6k/8/8/8/7K w - -"), 51200);  // king far outside the square
  EXPECT_EQ(race("8/8/8/P2k4/8/8/8/7K w - -"), 0);     // inside: caught
  EXPECT_EQ(race("8/8/8/P3k3/8/8/8/7K w - -"), 51200);  // one file too far...
  EXPECT_EQ(race("8/8/8/P3k3/8/8/8/7K b - -"), 0);      // ...unless it is to move
  EXPECT_EQ(race("8/8/8/P7/8/1k6/8/7K w - -"), 51200);  // behind the pawn
  EXPECT_EQ(race("8/8/8/P7/1k6/8/8/7K b - -"), 0);      // beside it, to move: takes it
}

TEST(PawnRace, EscortByTheOwnKing) {
  EXPECT_EQ(race("4k3/1K6/2P5/8/8/8/8/8 w - -"), 51200);  // Kb7 guards c6, c7 and c8
  EXPECT_EQ(race("4k3/8/2P5/8/8/8/8/K7 w - -"), 0);
  EXPECT_EQ(race("4k3/8/1KP5/8/8/8/8/8 w - -"), 0);  // beside the pawn, not ahead of it
  EXPECT_EQ(race("2k5/8/2P5/1K6/8/8/8/8 w - -"), 0);  // the king in front blocks it anyway
}

TEST(PawnRace, CountsDoubleStepAndBlockers) {
  // Black's h6 pawn needs 6 moves (its king stands in front); e4/e5 close the long diagonal.
  EXPECT_EQ(race("8/8/7p/4p2k/4P3/8/P7/K7 w - -"), 51200);  // a2: 5 moves with the double step
  EXPECT_EQ(race("8/8/7p/4p2k/4P3/P7/8/K7 w - -"), 51200);  // a3: 5 moves
  EXPECT_EQ(race("8/8/7p/4p2k/K3P3/P7/8/8 w - -"), 0);      // own king on a4: 6 moves, equal race
}

TEST(PawnRace, SideToMoveNeedsOneMoveLessTheOtherTwo) {
  EXPECT_EQ(race("8/8/7p/4p2k/4P3/P7/8/K7 b - -"), 0);  // 5 against 6 with black to move
  EXPECT_EQ(race("8/8/8/4p2k/4P2p/P7/8/K7 b - -"), -51200);  // 5 against 3, black to move: 3 < 5 - 0
}

TEST(PawnRace, FirstQueenSeesTheOtherQueeningSquare) {
  EXPECT_EQ(race("8/8/7p/7k/K7/P7/8/8 w - -"), 51200);    // 6 against 6: Qa8 watches h1
  EXPECT_EQ(race("8/8/7p/4p2k/K3P3/P7/8/8 w - -"), 0);    // the diagonal is shut
}

TEST(PawnRace, CatchablePawnOfTheLoser) {
  // a5 runs; h4 is inside the white king's square and queens as fast.
  EXPECT_EQ(race("7k/8/8/P5K1/7p/8/8/8 w - -"), 0);       // Kg5 needs 4 moves to h1: too slow
  EXPECT_EQ(race("7k/8/8/P7/7p/6K1/8/8 w - -"), 51200);   // Kg3 is in time
}

TEST(PawnRace, EqualRaceFirstQueenWithCheck) {
  EXPECT_EQ(race("7k/8/8/P3p3/4P2p/8/8/K7 w - -"), 3200);  // a8=Q+ along the eighth rank
  EXPECT_EQ(race("8/6k1/8/P3p3/4P2p/8/8/K7 w - -"), 0);
}

TEST(PawnRace, OnlyAgainstASideWithoutPieces) {
  EXPECT_EQ(race("8/8/8/P6k/8/8/8/n6K w - -"), 0);
  EXPECT_EQ(race("8/8/8/P6k/8/8/8/N6K w - -"), 51200);  // white's own pieces do not matter
}

}  // namespace
