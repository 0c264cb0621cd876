#include "board/san.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "board/movegen.h"
#include "eval/move_step.h"
#include "search/worker.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace velt {

namespace {

std::vector<Move> legalMoves(Worker& pos) {
  generateAllMoves(pos);
  std::vector<Move> moves;
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) moves.push_back(pos.moveList[i].move);
  std::vector<Move> legal;
  for (Move m : moves)
    if (makeMove(pos, m, -MATE_SCORE, MATE_SCORE)) {
      unmakeMove(pos);
      legal.push_back(m);
    }
  return legal;
}

Move parsed(Worker& pos, const char* text) {
  Move move = MOVE_NONE;
  return parseSanMove(pos, text, move) ? move : MOVE_NONE;
}

// Every legal move written and read back; all texts of one position distinct.
void expectRoundTrip(const char* fen, int& moveCount) {
  auto pos = positionFromFen(fen);
  std::set<std::string> texts;
  for (Move m : legalMoves(*pos)) {
    std::string text = moveToSan(*pos, m);
    EXPECT_TRUE(texts.insert(text).second) << fen << ": " << text << " twice";
    EXPECT_EQ(parsed(*pos, text.c_str()), m) << fen << ": " << text;
    ++moveCount;
  }
}

// Moves written with just the disambiguation they need, and read back from every
// accepted spelling.
TEST(San, WrittenAndRead) {
  struct Case {
    const char* fen;
    const char* move;  // from, to and promotion letter
    const char* written;
    std::vector<const char*> read;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "b1d2", "Nbd2", {}},
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "f3d2", "Nfd2", {"N3d2", "Nf3d2"}},
      {"k7/8/8/8/8/4R3/8/4R1K1 w - -", "e1e2", "R1e2", {}},
      {"k7/8/8/8/8/4R3/8/4R1K1 w - -", "e3e2", "R3e2", {}},
      {"3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "exd5", {"ed5"}},
      {"3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -", "e7d8Q", "exd8=Q", {"exd8Q+", "e7xd8=Q#"}},
      {"3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -", "e7d8N", "exd8=N", {}},
      {"3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -", "e4e5", "e5", {}},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "a8a1", "Rxa1", {}},
      {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -", "a1b2", "Qa1b2", {}},  // file and rank both needed
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e2e3", "e3", {"e3!?"}},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(*pos, c.move, move)) << c.move;
    EXPECT_EQ(moveToSan(*pos, move), c.written) << c.fen;
    EXPECT_EQ(parsed(*pos, c.written), move) << c.written;
    for (const char* text : c.read) EXPECT_EQ(parsed(*pos, text), move) << text;
  }
}

TEST(San, RejectsWhatIsNoLegalMove) {
  auto pos = positionFromFen("4k3/8/8/8/1b6/8/3N4/4K3 w - -");  // the d2 knight is pinned
  for (const char* text : {"Nf3", "Nb3", "Ke9", "Zz", "", "x", "e4", "Qd1", "Kd3d4", "N"})
    EXPECT_EQ(parsed(*pos, text), MOVE_NONE) << text;
  EXPECT_EQ(parsed(*pos, "Kf2"), makeMoveWord(sq("e1"), sq("f2"), 0));
  pos = positionFromFen("4k3/P7/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(parsed(*pos, "a8"), MOVE_NONE);  // a promotion needs its piece
  EXPECT_EQ(parsed(*pos, "a8=K"), MOVE_NONE);
  EXPECT_NE(parsed(*pos, "a8=R"), MOVE_NONE);
}

TEST(San, RoundTripOverEveryLegalMove) {
  int moveCount = 0;
  for (const char* fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -",
                          "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N w - -",
                          "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
                          "4k3/8/8/2N1N3/8/2N1N3/8/R3K2R w KQ -", "r6r/1b2k1bq/8/8/7B/8/8/R3K2R b KQ -",
                          "1r2k2r/8/8/Q2Q4/8/8/8/Q3K2Q w k -"})
    expectRoundTrip(fen, moveCount);
  std::mt19937 rng(1234);
  for (int round = 0; round < 150; ++round)
    expectRoundTrip(randomFen(rng, 6 + static_cast<int>(rng() % 16)).c_str(), moveCount);
  EXPECT_GT(moveCount, 3000);
}

}  // namespace

}  // namespace velt
