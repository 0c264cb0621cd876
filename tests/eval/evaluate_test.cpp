#include "eval/evaluate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/material.h"
#include "support/board_setup.h"

namespace {

const char* const samplePositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "4kb2/p7/8/8/8/8/P7/2B1K3 b - -",
};

// The same position with colours exchanged and the board turned upside down.
std::string mirrorFen(const std::string& fen) {
  const std::string placement = fen.substr(0, fen.find(' '));
  std::string ranks[8];
  int rank = 0;
  for (char c : placement) {
    if (c == '/') {
      ++rank;
    } else {
      ranks[rank] += std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                                 : static_cast<char>(std::toupper(c));
    }
  }
  std::string mirrored;
  for (int r = 7; r >= 0; --r) mirrored += ranks[r] + (r > 0 ? "/" : "");
  const bool whiteToMove = fen.find(" w ") != std::string::npos;
  std::string castling = fen.substr(fen.find(' ', fen.find(' ') + 1) + 1);
  castling = castling.substr(0, castling.find(' '));
  std::string swapped;
  for (char c : castling) {
    swapped += c == '-' ? c
                        : std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                                      : static_cast<char>(std::toupper(c));
  }
  return mirrored + (whiteToMove ? " b " : " w ") + swapped + " -";
}

TEST(Evaluate, ColourSymmetry) {
  for (const char* fen : samplePositions) {
    auto pos = positionFromFen(fen);
    const int score = evaluate(*pos, NO_WINDOW, MATE_SCORE);
    const std::string mirrored = mirrorFen(fen);
    auto other = positionFromFen(mirrored.c_str());
    EXPECT_EQ(evaluate(*other, NO_WINDOW, MATE_SCORE), score) << fen << " / " << mirrored;
  }
}

TEST(Evaluate, LeavesFullAttackMapsAndThePositionalPart) {
  for (const char* fen : samplePositions) {
    auto pos = positionFromFen(fen);
    generateAllMoves(*pos);
    for (int i = pos->listStart[0]; i < pos->listStart[1]; ++i) {
      if (!makeMove(*pos, pos->moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
      const int score = evaluate(*pos, NO_WINDOW, MATE_SCORE);
      const Bitboard maps[2] = {pos->attackMap[1][WHITE], pos->attackMap[1][BLACK]};
      fillAttackMaps(*pos);
      EXPECT_EQ(maps[WHITE], pos->attackMap[1][WHITE]) << fen;
      EXPECT_EQ(maps[BLACK], pos->attackMap[1][BLACK]) << fen;
      const int whiteScore = pos->side == WHITE ? score : -score;
      const int materialCp =
          (keyBalance(pos->materialKey) * 3200 + entryAdjustment(materialEntry(*pos))) / 32;
      EXPECT_EQ(pos->plyEval[1], whiteScore - materialCp) << fen;
      EXPECT_EQ(pos->undo[pos->gamePly - 1].evalExtra, 0);
      unmakeMove(*pos);
    }
  }
}

// Three quiet moves from the start, so that the next evaluation sits at ply 4.
std::unique_ptr<Position> deepEnough() {
  auto pos = positionFromFen(nullptr);
  for (Move move : {makeMoveWord(6, 21, 0), makeMoveWord(62, 45, 0), makeMoveWord(1, 18, 0)}) {
    EXPECT_EQ(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE), 1);
  }
  return pos;
}

TEST(Evaluate, LazyExitOutsideTheWindowOnlyBeyondPlyTwo) {
  auto pos = deepEnough();
  const Move move = makeMoveWord(57, 42, 0);
  // The window lies far above anything this position can score for the mover.
  ASSERT_EQ(makeMove(*pos, move, 20000, 20001), 1);
  EXPECT_EQ(pos->undo[pos->gamePly - 1].evalExtra, 1);
  const Bitboard maps[2] = {pos->attackMap[4][WHITE], pos->attackMap[4][BLACK]};
  fillAttackMaps(*pos);
  EXPECT_EQ(maps[WHITE], pos->attackMap[4][WHITE]);
  EXPECT_EQ(maps[BLACK], pos->attackMap[4][BLACK]);
  unmakeMove(*pos);
  // The same window with no window flag, or at a shallow ply, evaluates fully.
  ASSERT_EQ(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(pos->undo[pos->gamePly - 1].evalExtra, 0);
  unmakeMove(*pos);
  auto shallow = positionFromFen(nullptr);
  ASSERT_EQ(makeMove(*shallow, makeMoveWord(6, 21, 0), 20000, 20001), 1);
  EXPECT_EQ(shallow->undo[0].evalExtra, 0);
}

TEST(Evaluate, GainTablesLearnFromQuietMovesOnly) {
  auto pos = deepEnough();
  clearGainTables();
  const Move quiet = makeMoveWord(57, 42, 0);
  const int index = gainIndex(pieceCode(BLACK, KNIGHT), quiet);
  gainTable[index] = 10000;
  gainMinTable[index] = -10000;
  ASSERT_EQ(makeMove(*pos, quiet, -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(gainTable[index], 9999);
  EXPECT_EQ(gainMinTable[index], -9999);
  unmakeMove(*pos);

  auto capture = positionFromFen("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
  ASSERT_EQ(makeMove(*capture, makeMoveWord(6, 21, 0), -MATE_SCORE, MATE_SCORE), 1);
  const Move take = makeMoveWord(35, 28, FLAG_PAWN_MOVE | FLAG_CAPTURE);
  const int takeIndex = gainIndex(pieceCode(BLACK, PAWN), take);
  gainTable[takeIndex] = 10000;
  ASSERT_EQ(makeMove(*capture, take, -MATE_SCORE, MATE_SCORE), 1);
  EXPECT_EQ(gainTable[takeIndex], 10000);
  clearGainTables();
}

}  // namespace
