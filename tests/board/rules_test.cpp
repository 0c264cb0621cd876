#include "board/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "board/san.h"
#include "eval/move_step.h"
#include "search/game_end.h"
#include "search/worker.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

void play(Worker& pos, const char* text) {
  Move move = MOVE_NONE;
  ASSERT_TRUE(parseSanMove(pos, text, move)) << text;
  ASSERT_TRUE(makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) << text;
  pos.ply = 0;
}

// The result line after the moves (SAN) from a FEN, with the engine on the given side,
// the last search score and the fifty-move counter; the position is left as it was.
TEST(GameEnd, ResultLines) {
  struct Case {
    const char* fen;
    std::vector<const char*> moves;
    int engineSide, lastScore, rule50;
    const char* line;
    bool over;
  };
  const char* foolsMate = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -";
  const char* scholarsMate = "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq -";
  const char* insufficient = "1/2-1/2 {Insufficient material}";
  const Case cases[] = {
      {foolsMate, {}, WHITE, 0, 0, "0-1 {You win}", true},
      {foolsMate, {}, NO_PIECE, 0, 0, "0-1 {Black wins}", true},
      {scholarsMate, {}, WHITE, 0, 0, "1-0 {Computer wins}", true},
      {scholarsMate, {}, BLACK, 0, 0, "1-0 {You win}", true},
      {"rnbqkbnr/ppppp2p/5p2/6pQ/4P3/2P5/PP1P1PPP/RNB1KBNR b KQkq -", {}, WHITE, 0, 0, "1-0 {Computer wins}", true},
      {"rnbqkbnr/pppp3p/5p2/4p1pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq -", {}, WHITE, 0, 0, "", false},  // a way out
      {"7k/5Q2/6K1/8/8/8/8/8 b - -", {}, BLACK, 0, 0, "1/2-1/2 {Stalemate}", true},
      // Threefold repetition needs two earlier occurrences.
      {nullptr, {"Nf3", "Nf6", "Ng1", "Ng8"}, BLACK, 0, 0, "", false},
      {nullptr, {"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8"}, BLACK, 0, 0,
       "1/2-1/2 {Draw by repetition}", true},
      {"4k3/8/8/8/8/8/R7/4K3 w - -", {}, WHITE, 0, 99, "", false},
      {"4k3/8/8/8/8/8/R7/4K3 w - -", {}, WHITE, 0, 100, "1/2-1/2 {Draw by fifty move rule}", true},
      {"R3k3/8/4K3/8/8/8/8/8 b - -", {}, WHITE, 0, 100, "1-0 {Computer wins}", true},  // mate comes first
      // Insufficient material is announced, the engine plays on; not while a mate is seen.
      {"8/8/4k3/8/8/4K3/8/8 w - -", {}, WHITE, 0, 0, insufficient, false},
      {"8/8/4k3/8/8/3NK3/8/8 w - -", {}, WHITE, 0, 0, insufficient, false},
      {"8/8/4k3/8/8/3NK3/8/8 w - -", {}, WHITE, MATE_SCORE, 0, "", false},
      {"8/8/4k3/8/8/3NK3/8/8 w - -", {}, WHITE, 28999, 0, insufficient, false},
      {"8/8/4k3/8/8/2NNK3/8/8 w - -", {}, WHITE, 0, 0, "", false},
      {"8/8/4k1b1/8/8/3BK3/8/8 w - -", {}, WHITE, 0, 0, insufficient, false},  // both light squares
      {"8/8/4kb2/8/8/3BK3/8/8 w - -", {}, WHITE, 0, 0, "", false},
      {"8/8/4k3/8/8/3PK3/8/8 w - -", {}, WHITE, 0, 0, "", false},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    for (const char* text : c.moves) play(*pos, text);
    pos->rule50 = std::max(pos->rule50, c.rule50);
    const std::uint64_t key = pos->hashKey;
    const GameEnd end = gameEndResult(*pos, c.engineSide, c.lastScore);
    EXPECT_EQ(std::string(end.line ? end.line : ""), c.line) << (c.fen ? c.fen : "start");
    EXPECT_EQ(end.over, c.over) << (c.fen ? c.fen : "start");
    EXPECT_EQ(pos->hashKey, key);
  }
}

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
