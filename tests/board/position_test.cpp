#include "board/position.h"

#include <gtest/gtest.h>

#include <string>

#include "board/bitboard.h"
#include "shell/console.h"

namespace {

class PositionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    buildBoardTables();
    setUpPosition();
  }
};

// The hash key rebuilt from the board alone.
std::uint64_t keyFromScratch(const Position& pos) {
  std::uint64_t key = castleKey[pos.castleRights];
  if (pos.side == WHITE) key ^= sideKey;
  if (pos.epSquare >= 0) key ^= epKey[pos.epSquare];
  for (int s = 0; s < 64; ++s) {
    int code = pos.board[s];
    if (!isEmptyCell(code)) key ^= pieceSquareKey[colourOfCode(code) * 6 + typeOfCode(code)][s];
  }
  return key;
}

TEST_F(PositionTest, StartPosition) {
  const Position& pos = gamePosition;
  EXPECT_EQ(pos.side, WHITE);
  EXPECT_EQ(pos.xside, BLACK);
  EXPECT_EQ(pos.castleRights, 15);
  EXPECT_EQ(pos.epSquare, -1);
  EXPECT_EQ(pos.menCount, 32);
  EXPECT_EQ(pos.pieceCount[BLACK][PAWN], 8);
  EXPECT_EQ(pos.pieceCount[WHITE][KING], 1);
  EXPECT_EQ(pos.pieceMaterial[WHITE], 2 * 300 + 2 * 300 + 2 * 500 + 1000);
  EXPECT_EQ(pos.kingSquare[WHITE], E1);
  EXPECT_EQ(pos.kingSquare[BLACK], E8);
  EXPECT_EQ(pos.occupied, 0xFFFF00000000FFFFULL);
  EXPECT_EQ(pos.colourBB[BLACK], 0xFFFF000000000000ULL);
  EXPECT_EQ(pos.pieceBB[WHITE][KNIGHT], (Bitboard{1} << B1) | (Bitboard{1} << G1));
  EXPECT_EQ(pos.board[64], EMPTY_CELL);
  EXPECT_EQ(pos.board[127], EMPTY_CELL);
  EXPECT_EQ(pos.board[D8], pieceCode(BLACK, QUEEN));
  for (int file = 1; file <= 8; ++file) {
    EXPECT_EQ(pos.pawnRanks[WHITE][file], 1 << 1);
    EXPECT_EQ(pos.pawnRanks[BLACK][file], 1 << 6);
  }
  EXPECT_EQ(pos.pawnRanks[WHITE][0], 0);
  EXPECT_EQ(pos.pawnRanks[BLACK][9], 0);
  // Material index of both full armies and a zero balance in the top byte.
  std::uint32_t white = 8 * 6561 + 2 * 729 + 2 * 81 + 2 * 9 + 1;
  std::uint32_t black = 8 * 59049 + 2 * 2187 + 2 * 243 + 2 * 27 + 3;
  EXPECT_EQ(pos.materialKey, white + black);
  EXPECT_EQ(pos.hashKey, keyFromScratch(pos));
  std::uint64_t pawnKey = sideKey;
  for (int s = 8; s < 16; ++s) pawnKey ^= pieceSquareKey[PAWN][s] ^ pieceSquareKey[6 + PAWN][s + 40];
  EXPECT_EQ(pos.pawnKey, pawnKey);
  EXPECT_EQ(pos.checkInfo[0], static_cast<std::uint32_t>(CHECK_NONE));
  EXPECT_FALSE(inCheck(pos.checkInfo[0]));
}

TEST_F(PositionTest, CastleRookSquaresAndMasks) {
  EXPECT_EQ(castleRookSquare[WHITE][0], H1);
  EXPECT_EQ(castleRookSquare[WHITE][1], A1);
  EXPECT_EQ(castleRookSquare[BLACK][0], H8);
  EXPECT_EQ(castleRookSquare[BLACK][1], A8);
  EXPECT_EQ(castleMask[E1], 12);
  EXPECT_EQ(castleMask[E8], 3);
  EXPECT_EQ(castleMask[H1], 14);
  EXPECT_EQ(castleMask[A1], 13);
  EXPECT_EQ(castleMask[H8], 11);
  EXPECT_EQ(castleMask[A8], 7);
  EXPECT_EQ(castleMask[D1], 15);

  // Queen side keeps the rook nearest the king, king side the outermost.
  ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/R2RKR1R w KQ -"));
  EXPECT_EQ(castleRookSquare[WHITE][1], D1);
  EXPECT_EQ(castleRookSquare[WHITE][0], H1);
  EXPECT_EQ(castleRookSquare[BLACK][0], -1);
  EXPECT_EQ(castleRookSquare[BLACK][1], -1);
  EXPECT_EQ(castleMask[D1], 13);
  EXPECT_EQ(castleMask[A1], 15);
  EXPECT_EQ(castleMask[E8], 3);
}

TEST_F(PositionTest, PieceLetters) {
  EXPECT_EQ(pieceFromLetter('N'), KNIGHT);
  EXPECT_EQ(pieceFromLetter('B'), BISHOP);
  EXPECT_EQ(pieceFromLetter('R'), ROOK);
  EXPECT_EQ(pieceFromLetter('Q'), QUEEN);
  EXPECT_EQ(pieceFromLetter('K'), KING);
  EXPECT_EQ(pieceFromLetter('P'), PAWN);
  EXPECT_EQ(pieceFromLetter('x'), PAWN);
}

TEST_F(PositionTest, CheckInfo) {
  // Knight d6 and bishop b5 both give check.
  ASSERT_TRUE(parseFen("4k3/8/3N4/1B6/8/8/8/4K3 b - -"));
  const int d6 = 43, b5 = 33;
  EXPECT_EQ(gamePosition.checkInfo[0], static_cast<std::uint32_t>(d6) | DOUBLE_CHECK);
  EXPECT_TRUE(inCheck(gamePosition.checkInfo[0]));
  EXPECT_EQ(countAttackers(gamePosition, E8, WHITE), 2);

  ASSERT_TRUE(parseFen("4k3/8/8/1B6/8/8/8/4K3 b - -"));
  EXPECT_EQ(gamePosition.checkInfo[0], static_cast<std::uint32_t>(b5));

  // Rook and queen both on the e-file behind one another: only the queen checks.
  ASSERT_TRUE(parseFen("4k3/8/8/8/4Q3/8/8/K3R3 b - -"));
  EXPECT_EQ(gamePosition.checkInfo[0], 28u);

  ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/4K3 w - -"));
  EXPECT_EQ(gamePosition.checkInfo[0], static_cast<std::uint32_t>(CHECK_NONE));
}

TEST_F(PositionTest, FindCheckerOrderAndCount) {
  // Around d4: white pawn c3, knight b5, rook d8, bishop g7, queen h4, king e3.
  ASSERT_TRUE(parseFen("3R4/6B1/k7/1N6/7Q/2P1K3/8/8 w - -"));
  const int d4 = 27, c3 = 18, b5 = 33, d8 = 59;
  EXPECT_EQ(findChecker(gamePosition, d4, WHITE), c3);
  EXPECT_EQ(countAttackers(gamePosition, d4, WHITE), 6);
  EXPECT_EQ(findChecker(gamePosition, d4, BLACK), NO_SQUARE);
  EXPECT_EQ(countAttackers(gamePosition, d4, BLACK), 0);

  ASSERT_TRUE(parseFen("3R4/6B1/k7/1N6/7Q/4K3/8/8 w - -"));
  EXPECT_EQ(findChecker(gamePosition, d4, WHITE), b5);
  ASSERT_TRUE(parseFen("3R4/6B1/k7/8/7Q/4K3/8/8 w - -"));
  EXPECT_EQ(findChecker(gamePosition, d4, WHITE), d8);  // highest of d8, g7, h4
  ASSERT_TRUE(parseFen("7k/8/8/8/8/4K3/8/8 w - -"));
  EXPECT_EQ(findChecker(gamePosition, d4, WHITE), 20);
}

TEST_F(PositionTest, PrintBoardStartPosition) {
  ::testing::internal::CaptureStdout();
  printBoard(gamePosition);
  std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed,
            "r n b q k b n r\n"
            "p p p p p p p p\n"
            ". . . . . . . .\n"
            ". . . . . . . .\n"
            ". . . . . . . .\n"
            ". . . . . . . .\n"
            "P P P P P P P P\n"
            "R N B Q K B N R\n");
}

TEST_F(PositionTest, NewGameRestoresStart) {
  ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/4K3 b - -"));
  setUpStartPosition();
  EXPECT_EQ(gamePosition.menCount, 32);
  EXPECT_EQ(gamePosition.side, WHITE);
  EXPECT_EQ(gamePosition.hashKey, keyFromScratch(gamePosition));
}

}  // namespace
