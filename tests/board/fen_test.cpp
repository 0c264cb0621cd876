#include "board/fen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "board/bitboard.h"
#include "shell/options.h"

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class FenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    buildBoardTables();
    setUpPosition();
    std::memcpy(startTypes, setupTypes, sizeof startTypes);
  }

  std::string fen() {
    char buffer[FEN_TEXT_SIZE];
    positionToFen(gamePosition, buffer);
    return buffer;
  }

  int startTypes[64];
};

void expectSameBoard(const Position& a, const Position& b) {
  EXPECT_EQ(a.hashKey, b.hashKey);
  EXPECT_EQ(a.pawnKey, b.pawnKey);
  EXPECT_EQ(a.materialKey, b.materialKey);
  EXPECT_EQ(a.occupied, b.occupied);
  EXPECT_EQ(a.occupiedFile, b.occupiedFile);
  EXPECT_EQ(a.occupiedDiagA1H8, b.occupiedDiagA1H8);
  EXPECT_EQ(a.occupiedDiagH1A8, b.occupiedDiagH1A8);
  EXPECT_EQ(std::memcmp(a.pieceBB, b.pieceBB, sizeof a.pieceBB), 0);
  EXPECT_EQ(std::memcmp(a.colourBB, b.colourBB, sizeof a.colourBB), 0);
  EXPECT_EQ(std::memcmp(a.board, b.board, sizeof a.board), 0);
  EXPECT_EQ(std::memcmp(a.pawnRanks, b.pawnRanks, sizeof a.pawnRanks), 0);
  EXPECT_EQ(a.side, b.side);
  EXPECT_EQ(a.castleRights, b.castleRights);
  EXPECT_EQ(a.epSquare, b.epSquare);
  EXPECT_EQ(a.checkInfo[a.gamePly], b.checkInfo[b.gamePly]);
}

TEST_F(FenTest, StartFenMatchesSetUp) {
  auto start = std::make_unique<Position>(gamePosition);
  ASSERT_TRUE(parseFen("8/8/8/8/8/8/8/K6k w - -"));
  ASSERT_TRUE(parseFen(START_FEN));
  expectSameBoard(gamePosition, *start);
  EXPECT_EQ(std::memcmp(setupTypes, startTypes, sizeof startTypes), 0);
  EXPECT_EQ(fen(), START_FEN);
}

TEST_F(FenTest, SideAndCastlingKeys) {
  std::uint64_t start = gamePosition.hashKey, startPawns = gamePosition.pawnKey;
  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -"));
  EXPECT_EQ(gamePosition.side, BLACK);
  EXPECT_EQ(gamePosition.xside, WHITE);
  EXPECT_EQ(gamePosition.hashKey, start ^ sideKey);
  EXPECT_EQ(gamePosition.pawnKey, startPawns);

  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -"));
  EXPECT_EQ(gamePosition.castleRights, 0);
  EXPECT_EQ(gamePosition.hashKey, start ^ castleKey[15] ^ castleKey[0]);
  EXPECT_EQ(castleMask[E1], 12);
  EXPECT_EQ(castleMask[H8], 11);

  // Text ending right after the castling field, right after the side (an empty
  // castling field) and right after the placement (rights kept).
  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kq"));
  EXPECT_EQ(gamePosition.castleRights, 1 | 8);
  EXPECT_EQ(gamePosition.hashKey, start ^ castleKey[15] ^ castleKey[9]);
  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w"));
  EXPECT_EQ(gamePosition.castleRights, 0);
  EXPECT_EQ(gamePosition.hashKey, start ^ castleKey[15] ^ castleKey[0]);
  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"));
  EXPECT_EQ(gamePosition.hashKey, start);
  ASSERT_TRUE(parseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\r\n"));
  EXPECT_EQ(gamePosition.hashKey, start);
}

TEST_F(FenTest, EnPassantField) {
  const char* afterE4E5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2";
  ASSERT_TRUE(parseFen(afterE4E5));
  const int e6 = 44;
  EXPECT_EQ(gamePosition.epSquare, e6);
  std::uint64_t withEp = gamePosition.hashKey;
  ASSERT_TRUE(parseFen("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -"));
  EXPECT_EQ(gamePosition.epSquare, -1);
  EXPECT_EQ(gamePosition.hashKey, withEp ^ epKey[e6]);
  EXPECT_EQ(fen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");

  // Squares no double step can have passed over are dropped.
  for (const char* text : {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e3",
                           "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6",
                           "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e6",
                           "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e9"}) {
    ASSERT_TRUE(parseFen(text)) << text;
    EXPECT_EQ(gamePosition.epSquare, -1) << text;
  }
  ASSERT_TRUE(parseFen("rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3"));
  EXPECT_EQ(gamePosition.epSquare, 20);
  EXPECT_EQ(fen(), "rnbqkbnr/pppp1ppp/8/8/4Pp2/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
}

TEST_F(FenTest, RejectedTextsChangeNothing) {
  ASSERT_TRUE(parseFen("8/8/8/4k3/8/8/4P3/4K3 b - -"));
  auto before = std::make_unique<Position>(gamePosition);
  std::uint32_t flags = engineFlags;
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
    EXPECT_FALSE(parseFen(text)) << text;
    EXPECT_EQ(std::memcmp(gamePosition.board, before->board, sizeof before->board), 0) << text;
    EXPECT_EQ(gamePosition.hashKey, before->hashKey) << text;
    EXPECT_EQ(gamePosition.side, BLACK) << text;
    EXPECT_EQ(gamePosition.occupiedDiagA1H8, before->occupiedDiagA1H8) << text;
    EXPECT_EQ(engineFlags, flags) << text;
    EXPECT_EQ(std::memcmp(setupTypes, startTypes, sizeof startTypes), 0) << text;
  }
  EXPECT_EQ(fen(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1");
}

TEST_F(FenTest, FileLetterCastling) {
  // King b1 with rooks a1 and e1; black likewise.
  ASSERT_TRUE(parseFen("rk2r3/8/8/8/8/8/8/RK2R3 w EAea -"));
  const int b1 = B1, b8 = 57, e8 = 60;
  EXPECT_EQ(gamePosition.castleRights, 15);
  EXPECT_EQ(castleRookSquare[WHITE][0], E1);
  EXPECT_EQ(castleRookSquare[WHITE][1], A1);
  EXPECT_EQ(castleRookSquare[BLACK][0], e8);
  EXPECT_EQ(castleRookSquare[BLACK][1], A8);
  EXPECT_EQ(castleMask[b1], 12);
  EXPECT_EQ(castleMask[b8], 3);
  EXPECT_EQ(castleMask[E1], 14);
  EXPECT_TRUE(gamePosition.fileCastling);
  setUpStartPosition();
  EXPECT_FALSE(gamePosition.fileCastling);

  ASSERT_TRUE(parseFen("rk2r3/8/8/8/8/8/8/RK2R3 w a -"));
  EXPECT_EQ(gamePosition.castleRights, 8);

  // After a KQkq letter a file letter only moves that colour's rook square.
  ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/R1R1K3 w Qa -"));
  EXPECT_EQ(gamePosition.castleRights, 2);
  EXPECT_EQ(castleRookSquare[WHITE][1], A1);
  EXPECT_FALSE(gamePosition.fileCastling);
  std::uint64_t key = gamePosition.hashKey;
  ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/R1R1K3 w Q -"));
  EXPECT_EQ(castleRookSquare[WHITE][1], C1);
  EXPECT_EQ(gamePosition.hashKey, key);
}

TEST_F(FenTest, PositionToFen) {
  ASSERT_TRUE(parseFen("8/8/8/4k3/8/8/4P3/4K3 b - -"));
  EXPECT_EQ(fen(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1");
  gamePosition.gamePly = 3;
  gamePosition.side = WHITE;
  gamePosition.rule50 = 2;
  EXPECT_EQ(fen(), "8/8/8/4k3/8/8/4P3/4K3 w - - 2 3");
  ASSERT_TRUE(parseFen("r3k2r/1pp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w Kq e6"));
  EXPECT_EQ(fen(), "r3k2r/1pp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w Kq e6 0 1");
  gamePosition.gamePly = 4;
  EXPECT_EQ(fen(), "r3k2r/1pp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w Kq e6 0 3");
}

}  // namespace
