#include "shell/result.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/san.h"
#include "eval/move_step.h"
#include "search/game_end.h"
#include "search/worker.h"
#include "support/board_setup.h"

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
    const GameOutcome outcome = gameOutcome(*pos, c.lastScore);
    EXPECT_EQ(resultLine(outcome, pos->side, c.engineSide), c.line) << (c.fen ? c.fen : "start");
    EXPECT_EQ(endsGame(outcome), c.over) << (c.fen ? c.fen : "start");
    EXPECT_EQ(pos->hashKey, key);
  }
}

}  // namespace

}  // namespace velt
