#include "board/rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "board/makemove.h"
#include "board/san.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace {

constexpr int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

std::string resultLine(Position& pos, int engineSide, int lastScore = 0) {
  GameEnd end = gameEndResult(pos, engineSide, lastScore);
  return end.line ? end.line : "";
}

void play(Position& pos, const char* text) {
  Move move = MOVE_NONE;
  ASSERT_TRUE(parseSanMove(pos, text, move)) << text;
  ASSERT_TRUE(makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) << text;
  pos.ply = 0;
}

TEST(GameEnd, MateByEitherSideWithTheEngineOnEitherSide) {
  // Fool's mate: white is mated.
  auto pos = positionFromFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
  EXPECT_EQ(resultLine(*pos, WHITE), "0-1 {You win}");
  EXPECT_EQ(resultLine(*pos, BLACK), "0-1 {Computer wins}");
  EXPECT_EQ(resultLine(*pos, NO_PIECE), "0-1 {Black wins}");
  GameEnd end = gameEndResult(*pos, WHITE, 0);
  EXPECT_TRUE(end.over);
  EXPECT_TRUE(end.mate);
  // Scholar's mate: black is mated.
  pos = positionFromFen("r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq -");
  EXPECT_EQ(resultLine(*pos, WHITE), "1-0 {Computer wins}");
  EXPECT_EQ(resultLine(*pos, BLACK), "1-0 {You win}");
  EXPECT_EQ(resultLine(*pos, NO_PIECE), "1-0 {White wins}");
  // In check with a way out: the game goes on, and the position is left as it was.
  pos = positionFromFen("rnbqkbnr/ppppp2p/5p2/6pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq -");
  EXPECT_EQ(resultLine(*pos, WHITE), "1-0 {Computer wins}");
  pos = positionFromFen("rnbqkbnr/ppppp2p/5p2/6pQ/4P3/2P5/PP1P1PPP/RNB1KBNR b KQkq -");
  std::uint64_t key = pos->hashKey;
  EXPECT_EQ(resultLine(*pos, WHITE), "1-0 {Computer wins}");
  EXPECT_EQ(pos->hashKey, key);
  pos = positionFromFen("rnbqkbnr/pppp3p/5p2/4p1pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq -");
  EXPECT_EQ(resultLine(*pos, WHITE), "");
}

TEST(GameEnd, Stalemate) {
  auto pos = positionFromFen("7k/5Q2/6K1/8/8/8/8/8 b - -");
  GameEnd end = gameEndResult(*pos, BLACK, 0);
  ASSERT_NE(end.line, nullptr);
  EXPECT_STREQ(end.line, "1/2-1/2 {Stalemate}");
  EXPECT_TRUE(end.over);
  EXPECT_FALSE(end.mate);
}

TEST(GameEnd, ThreefoldRepetitionNeedsTwoEarlierOccurrences) {
  auto pos = positionFromFen(nullptr);
  for (const char* move : {"Nf3", "Nf6", "Ng1", "Ng8"}) play(*pos, move);
  EXPECT_EQ(resultLine(*pos, BLACK), "");  // one earlier occurrence
  for (const char* move : {"Nf3", "Nf6", "Ng1"}) play(*pos, move);
  EXPECT_EQ(resultLine(*pos, BLACK), "");
  play(*pos, "Ng8");
  GameEnd end = gameEndResult(*pos, BLACK, 0);
  ASSERT_NE(end.line, nullptr);
  EXPECT_STREQ(end.line, "1/2-1/2 {Draw by repetition}");
  EXPECT_TRUE(end.over);
}

TEST(GameEnd, FiftyMoveRule) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/R7/4K3 w - -");
  pos->rule50 = 99;
  EXPECT_EQ(resultLine(*pos, WHITE), "");
  pos->rule50 = 100;
  EXPECT_EQ(resultLine(*pos, WHITE), "1/2-1/2 {Draw by fifty move rule}");
  // Mate comes first.
  pos = positionFromFen("R3k3/8/4K3/8/8/8/8/8 b - -");
  pos->rule50 = 100;
  EXPECT_EQ(resultLine(*pos, WHITE), "1-0 {Computer wins}");
}

TEST(GameEnd, InsufficientMaterial) {
  const std::string draw = "1/2-1/2 {Insufficient material}";
  auto pos = positionFromFen("8/8/4k3/8/8/4K3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), draw);
  GameEnd end = gameEndResult(*pos, WHITE, 0);
  EXPECT_FALSE(end.over);  // the engine plays on
  pos = positionFromFen("8/8/4k3/8/8/3NK3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), draw);
  EXPECT_EQ(resultLine(*pos, WHITE, MATE_SCORE), "");  // no search yet in this game
  EXPECT_EQ(resultLine(*pos, WHITE, -29000), "");
  EXPECT_EQ(resultLine(*pos, WHITE, 28999), draw);
  pos = positionFromFen("8/8/4k3/8/8/2NNK3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), "");
  pos = positionFromFen("8/8/4k1b1/8/8/3BK3/8/8 w - -");  // d3 and g6: both light squares
  EXPECT_EQ(resultLine(*pos, WHITE), draw);
  pos = positionFromFen("8/8/4kb2/8/8/3BK3/8/8 w - -");  // d3 light, f6 dark
  EXPECT_EQ(resultLine(*pos, WHITE), "");
  pos = positionFromFen("8/8/4kn2/8/8/3BK3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), "");
  pos = positionFromFen("8/8/4k3/8/8/3RK3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), "");
  pos = positionFromFen("8/8/4k3/8/8/3PK3/8/8 w - -");
  EXPECT_EQ(resultLine(*pos, WHITE), "");
}

TEST(RecognizedDraw, BareMaterial) {
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/8/4k3/8/8/4K3/8/8 w - -")));
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/8/4k3/8/8/3NK3/8/8 b - -")));
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/8/3bk3/8/8/4K3/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/4k3/8/8/3RK3/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/4k3/8/8/2NNK3/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/3nk3/8/8/3NK3/8/8 w - -")));
}

TEST(RecognizedDraw, PawnEndingsWithTheBoardTurned) {
  // Defending king in front of the rook pawn, and the same turned for a black pawn.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("k7/8/8/8/P7/8/8/K7 w - -")));
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("7k/8/8/7p/8/8/8/7K b - -")));
  // King on the sixth rank in front of its pawn wins; the same turned.
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("4k3/8/4K3/4P3/8/8/8/8 b - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/8/8/3p4/3k4/8/3K4 w - -")));
  // Opposition decides with the king on the fifth rank.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/4k3/8/4K3/4P3/8/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/4k3/8/4K3/4P3/8/8/8 b - -")));
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/8/8/4p3/4k3/8/4K3/8 b - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/8/4p3/4k3/8/4K3/8 w - -")));
  // Wrong rook-pawn bishop, for either colour.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("k7/8/8/P7/2K5/4B3/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("k7/8/8/P7/2K5/8/4B3/8 w - -")));
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/4b3/8/5k2/7p/8/8/7K b - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/4b3/5k2/7p/8/8/7K b - -")));
  // Other pawn material is not recognized.
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("k7/8/8/P7/2K5/4N3/8/8 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("k7/8/8/p7/P1K5/8/8/8 w - -")));
}

TEST(RecognizedDraw, OppositeBishopsWithOnePawn) {
  // The weak king blocks the pawn on a square the strong bishop cannot reach.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("8/5b2/4k3/4P3/8/8/3B4/2K5 b - -")));
  // Not with the side with the pawn to move, nor with bishops of one colour.
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/5b2/4k3/4P3/8/8/3B4/2K5 w - -")));
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/4b3/4k3/4P3/8/8/3B4/2K5 b - -")));
  // The weak bishop watches the pawn's path from afar, the strong king off the edge.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("5b2/8/8/3k4/8/2P5/3K4/5B2 b - -")));
  // The weak bishop off the path's diagonals.
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/8/3k4/8/2P5/3K4/b4B2 b - -")));
  // The weak bishop two from the strong king and next to the pawn.
  EXPECT_FALSE(isRecognizedDraw(*positionFromFen("8/8/8/3k4/1b6/2P5/3K4/5B2 b - -")));
  // The black mirror image of the first draw.
  EXPECT_TRUE(isRecognizedDraw(*positionFromFen("5k2/4b3/8/8/3p4/3K4/2B5/8 w - -")));
}

TEST(RecognizedDraw, SameVerdictWithTheBoardTurned) {
  std::mt19937 rng(555);
  int draws = 0;
  for (const char* men : {"P", "p", "BP", "bp", "BPb", "bpB", "N", "R", "Pn"})
    for (int round = 0; round < 300; ++round) {
      std::string fen = randomFenOf(rng, men);
      auto pos = positionFromFen(fen.c_str());
      BruteBoard turned = bruteTurned(bruteFromPosition(*pos));
      std::string turnedFen = bruteToFen(turned, pos->side ^ 1);
      bool draw = isRecognizedDraw(*pos);
      EXPECT_EQ(isRecognizedDraw(*positionFromFen(turnedFen.c_str())), draw) << fen << " / " << turnedFen;
      draws += draw;
    }
  EXPECT_GT(draws, 300);
}

TEST(DiscoveredCheck, OnlyWhenTheMoverLeavesTheLine) {
  auto pos = positionFromFen("4k3/8/8/8/4N3/8/8/K3R3 w - -");
  EXPECT_TRUE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("c5"), 0)));
  // A pawn push stays on the file; its capture leaves it.
  pos = positionFromFen("4k3/8/8/3p4/4P3/8/8/K3R3 w - -");
  EXPECT_FALSE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("e5"), FLAG_PAWN_MOVE)));
  EXPECT_TRUE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("d5"), FLAG_PAWN_MOVE | FLAG_CAPTURE)));
  // A second blocker, a bishop on a file, an enemy man behind.
  pos = positionFromFen("4k3/4n3/8/8/4N3/8/8/K3R3 w - -");
  EXPECT_FALSE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("c5"), 0)));
  pos = positionFromFen("4k3/8/8/8/4N3/8/8/K3B3 w - -");
  EXPECT_FALSE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("c5"), 0)));
  pos = positionFromFen("4k3/8/8/8/4N3/8/8/K3r3 w - -");
  EXPECT_FALSE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("e4"), sq("c5"), 0)));
  // Diagonal lines, black to move.
  pos = positionFromFen("q6k/8/8/3n4/8/8/8/7K b - -");
  EXPECT_TRUE(isDiscoveredCheckMove(*pos, makeMoveWord(sq("d5"), sq("f6"), 0)));
}

TEST(CheckedWithoutEvasions, MateAndOtherChecks) {
  auto pos = positionFromFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
  EXPECT_TRUE(isCheckedWithoutEvasions(*pos));
  pos = positionFromFen("rnbqkbnr/ppppp2p/5p2/6pQ/4P3/2P5/PP1P1PPP/RNB1KBNR b KQkq -");
  EXPECT_TRUE(isCheckedWithoutEvasions(*pos));
  pos = positionFromFen("rnbqkbnr/pppp3p/5p2/4p1pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq -");
  EXPECT_FALSE(isCheckedWithoutEvasions(*pos));
  pos = positionFromFen(nullptr);
  EXPECT_FALSE(isCheckedWithoutEvasions(*pos));
}

}  // namespace
