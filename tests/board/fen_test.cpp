#include "board/fen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "board/bitboard.h"

namespace velt {

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class FenTest : public ::testing::Test {
 protected:
  void SetUp() override { setUpPosition(position); }

  std::string fen() {
    char buffer[FEN_TEXT_SIZE];
    positionToFen(position, buffer);
    return buffer;
  }

  std::unique_ptr<Position> owned = std::make_unique<Position>();
  Position& position = *owned;
};

TEST_F(FenTest, AcceptedTextsReadBack) {
  struct Case {
    const char* text;
    const char* fen;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kq", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kq - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", START_FEN},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\r\n", START_FEN},
      // Rights without their rook, or with the king off its back rank, are dropped.
      {"4k3/8/8/8/8/8/8/R3K3 w KQkq", "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1"},
      {"r3k3/8/8/8/8/8/4K3/R6R w KQkq", "r3k3/8/8/8/8/8/4K3/R6R w q - 0 1"},
      {"4k3/8/8/8/8/8/8/4K2R w AH", "4k3/8/8/8/8/8/8/4K2R w K - 0 1"},
      {"4k3/8/8/8/8/8/8/4K2R", "4k3/8/8/8/8/8/8/4K2R w K - 0 1"},
      {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2",
       "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 1"},
      {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e3",
       "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1"},
      {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e6",
       "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"},
      {"rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3",
       "rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(parseFen(position, c.text)) << c.text;
    EXPECT_EQ(fen(), c.fen) << c.text;
    // The keys are those of the position the written FEN sets up.
    const std::uint64_t key = position.hashKey, pawnKey = position.pawnKey;
    ASSERT_TRUE(parseFen(position, c.fen));
    EXPECT_EQ(position.hashKey, key) << c.text;
    EXPECT_EQ(position.pawnKey, pawnKey) << c.text;
  }
  // The move counters follow the game.
  position.gamePly = 4;
  position.rule50 = 2;
  EXPECT_EQ(fen(), "rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3 2 3");
  // KQ name the outermost rooks.
  ASSERT_TRUE(parseFen(position, "4k3/8/8/8/8/8/8/R2RKR1R w KQ -"));
  EXPECT_EQ(position.castling.rookSquare[WHITE][1], A1);
  EXPECT_EQ(position.castling.rookSquare[WHITE][0], H1);
}

TEST_F(FenTest, RejectedTextsChangeNothing) {
  ASSERT_TRUE(parseFen(position, "8/8/8/4k3/8/8/4P3/4K3 b - -"));
  auto before = std::make_unique<Position>(position);
  const char* rejected[] = {
      "8/8/8/4k3/8/8/4P3 b - -",              // seven ranks
      "8/8/9/4k3/8/8/4P3/4K3 b - -",          // digit 9
      "8/8/8/4k3/8/8/4P3/4K3/8 w - -",        // nine ranks
      "8/8/8/4k4/8/8/4P3/4K3 w - -",          // rank of nine squares
      "8/8/8/4k2/8/8/4P3/4K3 w - -",          // rank of seven squares
      "8/8/8/4k3/8/8/4P3/4K3P w - -",         // too many squares
      "8/8/8/4k3/8/8/4x3/4K3 w - -",          // unknown letter
      "8/8/8/4k3/8/8/4c3/4K3 w - -",          // not a piece letter
      "8/8/8/4k3|8/8/4P3/4K3 w - -",          // wrong separator
      "8/8/8/8/8/8/4P3/4K3 w - -",            // no black king
      "8/8/8/4k3/8/8/4P3/4KK2 w - -",         // two white kings
      "4P3/8/8/4k3/8/8/8/4K3 w - -",          // pawn on the last rank
      "8/8/8/4k3/8/8/8/3PK3 w - -",           // pawn on the first rank
      "8/8/8/R3k3/8/8/8/4K3 w - -",           // black, not to move, in check
      "8/pppppppp/pppppppp/4k3/8/8/8/4K3 w - -",  // sixteen pawns
      "",
  };
  for (const char* text : rejected) {
    EXPECT_FALSE(parseFen(position, text)) << text;
    EXPECT_EQ(std::memcmp(position.board, before->board, sizeof before->board), 0) << text;
    EXPECT_EQ(position.hashKey, before->hashKey) << text;
    EXPECT_EQ(position.side, BLACK) << text;
    EXPECT_EQ(position.occupiedDiagA1H8, before->occupiedDiagA1H8) << text;
  }
  EXPECT_EQ(fen(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1");
}

// Castling fields in X-FEN and Shredder-FEN, for kings and rooks on any files: each
// is read, written back as X-FEN (file letters only for a rook that is not the
// outermost on its side), and that text sets up the same position and key.
TEST_F(FenTest, CastlingFieldsRoundTrip) {
  struct Case {
    const char* text;
    const char* xfen;
    int rookSquares[4];  // white king side, queen side, black king side, queen side
  };
  const Case cases[] = {
      {"rk2r3/8/8/8/8/8/8/RK2R3 w EAea -", "rk2r3/8/8/8/8/8/8/RK2R3 w KQkq - 0 1", {E1, A1, E8, A8}},
      {"rk2r3/8/8/8/8/8/8/RK2R3 w KQkq -", "rk2r3/8/8/8/8/8/8/RK2R3 w KQkq - 0 1", {E1, A1, E8, A8}},
      {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf -",
       "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w KQkq - 0 1", {H1, F1, H8, F8}},
      // An inner rook keeps its file letter, in either notation.
      {"4k3/8/8/8/8/8/8/R1R1K2R w HC -", "4k3/8/8/8/8/8/8/R1R1K2R w KC - 0 1", {H1, C1, -1, -1}},
      {"r1r1k2r/8/8/8/8/8/8/4K3 b Kkc -", "r1r1k2r/8/8/8/8/8/8/4K3 b kc - 0 1", {-1, -1, H8, C8}},
      {"1r2kr1r/8/8/8/8/8/8/4K3 w fb -", "1r2kr1r/8/8/8/8/8/8/4K3 w fq - 0 1", {-1, -1, F8, B8}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(parseFen(position, c.text)) << c.text;
    EXPECT_EQ(fen(), c.xfen) << c.text;
    for (int i = 0; i < 4; ++i) {
      if (c.rookSquares[i] >= 0) {
        EXPECT_EQ(position.castling.rookSquare[i / 2][i % 2], c.rookSquares[i]) << c.text;
      }
    }
    const std::uint64_t key = position.hashKey;
    const int rights = position.castleRights;
    ASSERT_TRUE(parseFen(position, c.xfen));
    EXPECT_EQ(position.hashKey, key) << c.xfen;
    EXPECT_EQ(position.castleRights, rights) << c.xfen;
  }
  // The masks: a king move clears both rights of its side, a rook move its own.
  ASSERT_TRUE(parseFen(position, "rk2r3/8/8/8/8/8/8/RK2R3 w EAea -"));
  EXPECT_EQ(position.castling.mask[B1], 12);
  EXPECT_EQ(position.castling.mask[E1], 14);
  EXPECT_EQ(position.castling.mask[A8], 7);
  // Each position keeps its own castling set-up.
  auto other = std::make_unique<Position>();
  setUpPosition(*other);
  EXPECT_EQ(other->castling.rookSquare[WHITE][0], H1);
  EXPECT_EQ(position.castling.rookSquare[WHITE][0], E1);
}

}  // namespace

}  // namespace velt
