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
  // Queen side keeps the rook nearest the king, king side the outermost.
  ASSERT_TRUE(parseFen(position, "4k3/8/8/8/8/8/8/R2RKR1R w KQ -"));
  EXPECT_EQ(position.castling.rookSquare[WHITE][1], D1);
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

// Castling rights as rook files: king b1 with rooks a1 and e1, black likewise.
TEST_F(FenTest, FileLetterCastling) {
  ASSERT_TRUE(parseFen(position, "rk2r3/8/8/8/8/8/8/RK2R3 w EAea -"));
  EXPECT_EQ(position.castleRights, 15);
  EXPECT_EQ(position.castling.rookSquare[WHITE][0], E1);
  EXPECT_EQ(position.castling.rookSquare[BLACK][1], A8);
  EXPECT_EQ(position.castling.mask[B1], 12);
  EXPECT_EQ(position.castling.mask[E1], 14);
  EXPECT_TRUE(position.castling.byFile);
  // Each position keeps its own castling set-up.
  auto other = std::make_unique<Position>();
  setUpPosition(*other);
  EXPECT_EQ(other->castling.rookSquare[WHITE][0], H1);
  EXPECT_EQ(position.castling.mask[E1], 14);
  setUpPosition(position);
  EXPECT_FALSE(position.castling.byFile);
  // After a KQkq letter a file letter only moves that colour's rook square.
  ASSERT_TRUE(parseFen(position, "4k3/8/8/8/8/8/8/R1R1K3 w Qa -"));
  EXPECT_EQ(position.castleRights, 2);
  EXPECT_EQ(position.castling.rookSquare[WHITE][1], A1);
  EXPECT_FALSE(position.castling.byFile);
  std::uint64_t key = position.hashKey;
  ASSERT_TRUE(parseFen(position, "4k3/8/8/8/8/8/8/R1R1K3 w Q -"));
  EXPECT_EQ(position.castling.rookSquare[WHITE][1], C1);
  EXPECT_EQ(position.hashKey, key);
}

}  // namespace

}  // namespace velt
