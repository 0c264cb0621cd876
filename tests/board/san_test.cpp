#include "board/san.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "support/board_setup.h"
#include "support/brute_board.h"

namespace {

constexpr int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

std::vector<Move> legalMoves(Position& pos) {
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

Move parsed(Position& pos, const char* text) {
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

TEST(San, Examples) {
  auto pos = positionFromFen("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("b1"), sq("d2"), 0)), "Nbd2");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("f3"), sq("d2"), 0)), "Nfd2");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("f3"), sq("e5"), 0)), "Ne5");
  pos = positionFromFen("k7/8/8/8/8/4R3/8/4R1K1 w - -");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e1"), sq("e2"), 0)), "R1e2");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e3"), sq("e2"), 0)), "R3e2");
  pos = positionFromFen("3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e4"), sq("d5"), FLAG_PAWN_MOVE | FLAG_CAPTURE)), "exd5");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e7"), sq("d8"), FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_PROMOTION |
                                                                   static_cast<Move>(QUEEN) << 16)),
               "exd8=Q");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e1"), sq("d2"), 0)), "Kd2");
  pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e8"), sq("c8"), FLAG_CASTLE_LONG)), "O-O-O");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("e8"), sq("g8"), FLAG_CASTLE_SHORT)), "O-O");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("a8"), sq("a1"), FLAG_CAPTURE)), "Rxa1");
  // Three queens reaching one square: file and rank both needed.
  pos = positionFromFen("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - -");
  EXPECT_STREQ(moveToSan(*pos, makeMoveWord(sq("a1"), sq("b2"), 0)), "Qa1b2");
}

TEST(San, ReadsTheExamplesBack) {
  auto pos = positionFromFen("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_EQ(parsed(*pos, "Nbd2"), makeMoveWord(sq("b1"), sq("d2"), 0));
  EXPECT_EQ(parsed(*pos, "Nfd2"), makeMoveWord(sq("f3"), sq("d2"), 0));
  EXPECT_EQ(parsed(*pos, "N3d2"), makeMoveWord(sq("f3"), sq("d2"), 0));
  EXPECT_EQ(parsed(*pos, "Nf3d2"), makeMoveWord(sq("f3"), sq("d2"), 0));
  pos = positionFromFen("k7/8/8/8/8/4R3/8/4R1K1 w - -");
  EXPECT_EQ(parsed(*pos, "R1e2"), makeMoveWord(sq("e1"), sq("e2"), 0));
  EXPECT_EQ(parsed(*pos, "R3e2"), makeMoveWord(sq("e3"), sq("e2"), 0));
  pos = positionFromFen("3rk3/4P3/8/3p4/4P3/8/8/4K3 w - -");
  EXPECT_EQ(parsed(*pos, "exd5"), makeMoveWord(sq("e4"), sq("d5"), FLAG_PAWN_MOVE | FLAG_CAPTURE));
  EXPECT_EQ(parsed(*pos, "ed5"), makeMoveWord(sq("e4"), sq("d5"), FLAG_PAWN_MOVE | FLAG_CAPTURE));
  const Move promotion =
      makeMoveWord(sq("e7"), sq("d8"), FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_PROMOTION | static_cast<Move>(QUEEN) << 16);
  EXPECT_EQ(parsed(*pos, "exd8=Q"), promotion);
  EXPECT_EQ(parsed(*pos, "exd8Q+"), promotion);
  EXPECT_EQ(parsed(*pos, "e7xd8=Q#"), promotion);
  EXPECT_EQ(parsed(*pos, "exd8=N"), (promotion & ~(Move{7} << 16)) | static_cast<Move>(KNIGHT) << 16);
  EXPECT_EQ(parsed(*pos, "e5"), makeMoveWord(sq("e4"), sq("e5"), FLAG_PAWN_MOVE));
  pos = positionFromFen(nullptr);
  EXPECT_EQ(parsed(*pos, "e4"), makeMoveWord(sq("e2"), sq("e4"), FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP));
  EXPECT_EQ(parsed(*pos, "e3!?"), makeMoveWord(sq("e2"), sq("e3"), FLAG_PAWN_MOVE));
  EXPECT_EQ(parsed(*pos, "Nf3"), makeMoveWord(sq("g1"), sq("f3"), 0));
}

TEST(San, CastlingInEverySpelling) {
  auto pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  const Move whiteShort = makeMoveWord(sq("e1"), sq("g1"), FLAG_CASTLE_SHORT);
  const Move whiteLong = makeMoveWord(sq("e1"), sq("c1"), FLAG_CASTLE_LONG);
  for (const char* text : {"O-O", "0-0", "o-o", "O-O+", "OO", "Kg1"}) EXPECT_EQ(parsed(*pos, text), whiteShort) << text;
  for (const char* text : {"O-O-O", "0-0-0", "o-o-o", "O-O-O#", "OOO", "Kc1"})
    EXPECT_EQ(parsed(*pos, text), whiteLong) << text;
  pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  EXPECT_EQ(parsed(*pos, "O-O"), makeMoveWord(sq("e8"), sq("g8"), FLAG_CASTLE_SHORT));
  EXPECT_EQ(parsed(*pos, "0-0-0"), makeMoveWord(sq("e8"), sq("c8"), FLAG_CASTLE_LONG));
  // Without the right, or through an attacked square, there is no castling.
  pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R w Qkq -");
  EXPECT_EQ(parsed(*pos, "O-O"), MOVE_NONE);
  pos = positionFromFen("r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -");
  EXPECT_EQ(parsed(*pos, "O-O"), MOVE_NONE);
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

TEST(San, PlaysThroughAGame) {
  // Morphy against the Duke of Brunswick and Count Isouard, Paris 1858.
  const char* game[] = {"e4",   "e5",   "Nf3",   "d6",   "d4",    "Bg4",  "dxe5", "Bxf3", "Qxf3",
                        "dxe5", "Bc4",  "Nf6",   "Qb3",  "Qe7",   "Nc3",  "c6",   "Bg5",  "b5",
                        "Nxb5", "cxb5", "Bxb5+", "Nbd7", "O-O-O", "Rd8",  "Rxd7", "Rxd7", "Rd1",
                        "Qe6",  "Bxd7+", "Nxd7", "Qb8+", "Nxb8",  "Rd8#"};
  auto pos = positionFromFen(nullptr);
  for (const char* text : game) {
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseSanMove(*pos, text, move)) << text;
    EXPECT_STREQ(moveToSan(*pos, move), std::string(text).substr(0, std::string(text).find_first_of("+#")).c_str());
    ASSERT_TRUE(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE)) << text;
    pos->ply = 0;
  }
  char fen[FEN_TEXT_SIZE];
  positionToFen(*pos, fen);
  EXPECT_EQ(std::string(fen).substr(0, std::string(fen).find(" - ")), "1n1Rkb1r/p4ppp/4q3/4p1B1/4P3/8/PPP2PPP/2K5 b k");
}

}  // namespace
