#include "board/movegen.h"

#include <gtest/gtest.h>

#include <vector>

#include "board/makemove.h"
#include "eval/evaluate.h"
#include "search/history.h"
#include "support/board_setup.h"

namespace {

int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

std::vector<ScoredMove> currentList(const Position& pos) {
  return {pos.moveList + pos.listStart[pos.ply], pos.moveList + pos.listStart[pos.ply + 1]};
}

// The entries of the list from `from` to `to`, in list order.
std::vector<ScoredMove> movesBetween(const Position& pos, const char* from, const char* to) {
  std::vector<ScoredMove> found;
  for (const ScoredMove& entry : currentList(pos)) {
    if (moveFrom(entry.move) == sq(from) && moveTo(entry.move) == sq(to)) found.push_back(entry);
  }
  return found;
}

// Positions set up while it lives generate bishop promotions or not.
class AnalysisModeGuard {
 public:
  explicit AnalysisModeGuard(bool on) : saved_(gamePosition.bishopPromotions) { gamePosition.bishopPromotions = on; }
  ~AnalysisModeGuard() { gamePosition.bishopPromotions = saved_; }

 private:
  bool saved_;
};

TEST(GenerateCaptures, QueenPromotionAndOnlyACheckingKnight) {
  AnalysisModeGuard mode(false);
  auto pos = positionFromFen("8/4P3/8/8/8/8/8/K6k w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  auto moves = movesBetween(*pos, "e7", "e8");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move, makeMoveWord(sq("e7"), sq("e8"), 0x12000000 | QUEEN << 16));
  EXPECT_EQ(moves[0].score, 0x2000000F);

  pos = positionFromFen("8/4P1k1/8/8/8/8/8/K7 w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  moves = movesBetween(*pos, "e7", "e8");
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(movePromotion(moves[1].move), KNIGHT);
  EXPECT_EQ(moves[1].score, 0x20000000);
}

TEST(GenerateCaptures, UnderPromotionsFollowAnalysisMode) {
  auto promotions = [](bool analysis) {
    AnalysisModeGuard mode(analysis);
    auto pos = positionFromFen("3r4/4P3/8/8/8/8/8/K6k w - -");
    generateCaptures(*pos, pos->colourBB[BLACK], true);
    std::vector<int> types;
    for (const ScoredMove& entry : movesBetween(*pos, "e7", "e8")) types.push_back(movePromotion(entry.move));
    std::vector<ScoredMove> captures = movesBetween(*pos, "e7", "d8");
    EXPECT_EQ(captures.size(), types.size());
    EXPECT_EQ(captures[0].score, 0x20000000 | (8 * ROOK + 22));
    EXPECT_EQ(captures[1].score, 0x20000001);
    return types;
  };
  EXPECT_EQ(promotions(false), (std::vector<int>{QUEEN, KNIGHT, ROOK}));
  EXPECT_EQ(promotions(true), (std::vector<int>{QUEEN, KNIGHT, ROOK, BISHOP}));
}

TEST(GenerateCaptures, CheckingPawnCaptureBeyondTheTargets) {
  auto pos = positionFromFen("8/8/4k3/3n4/2P5/8/8/K7 w - -");
  generateCaptures(*pos, 0, false);
  const auto moves = currentList(*pos);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move, makeMoveWord(sq("c4"), sq("d5"), 0x11000000));
  EXPECT_EQ(moves[0].score, 0x20000000 | (8 * KNIGHT + 22));
}

TEST(GenerateCaptures, CaptureScores) {
  auto pos = positionFromFen("k7/8/8/3q4/2P1Q3/8/8/K7 w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  EXPECT_EQ(movesBetween(*pos, "c4", "d5").at(0).score, 0x20000000 + 54);
  EXPECT_EQ(movesBetween(*pos, "e4", "d5").at(0).score, 0x20000000 + 50);

  pos = positionFromFen("k7/8/8/8/8/8/p7/K7 w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  EXPECT_EQ(movesBetween(*pos, "a1", "a2").at(0).score, 0x20000000 + 17);
}

TEST(GenerateCaptures, EnPassantIgnoresTargets) {
  auto pos = positionFromFen("k7/8/8/3pP3/8/8/8/K7 w - d6");
  generateCaptures(*pos, 0, false);
  const auto moves = currentList(*pos);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move, makeMoveWord(sq("e5"), sq("d6"), 0x15000000));
  EXPECT_EQ(moves[0].score, 0x20000016);
}

TEST(GenerateCaptures, EnPassantSquareWithoutADoubleStepIsIgnored) {
  // A square no double step can have left (wrong rank, or no pawn behind it), as a
  // position built by hand may hold.
  struct Case {
    const char* fen;
    const char* ep;
  };
  for (const Case& c : {Case{"k7/8/8/8/8/3p4/4P3/K7 w - -", "d3"}, Case{"k7/8/8/4P3/8/8/8/K7 w - -", "d6"}}) {
    const char* fen = c.fen;
    auto pos = positionFromFen(fen);
    pos->epSquare = sq(c.ep);
    generateCaptures(*pos, pos->colourBB[BLACK], true);
    for (const ScoredMove& entry : currentList(*pos)) EXPECT_FALSE(entry.move & FLAG_EN_PASSANT) << fen;
    generateAllMoves(*pos);
    for (const ScoredMove& entry : currentList(*pos)) EXPECT_FALSE(entry.move & FLAG_EN_PASSANT) << fen;
  }
}

TEST(GenerateQuiets, CastlingIsLeftToMakeMove) {
  // The bishop on b4 gives check; castling is generated all the same.
  auto pos = positionFromFen("4k3/8/8/8/1b6/8/8/R3K2R w KQ -");
  generateQuiets(*pos);
  EXPECT_EQ(movesBetween(*pos, "e1", "g1").at(0).move, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT));
  EXPECT_EQ(movesBetween(*pos, "e1", "c1").at(0).move, makeMoveWord(E1, C1, FLAG_CASTLE_LONG));
  EXPECT_EQ(makeMove(*pos, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT), -MATE_SCORE, MATE_SCORE), 0);

  // A man between king and rook, or a right without its rook, gives no castling.
  for (const char* fen : {"4k3/8/8/8/8/8/8/RN2K1NR w KQ -", "4k3/8/8/8/8/8/8/4K3 w KQ -"}) {
    pos = positionFromFen(fen);
    generateQuiets(*pos);
    for (const ScoredMove& entry : currentList(*pos)) EXPECT_FALSE(entry.move & FLAG_CASTLE) << fen;
  }
}

TEST(GenerateQuiets, DoubleStepBeforeSinglePush) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/4P3/K7 w - -");
  generateQuiets(*pos);
  const auto moves = currentList(*pos);
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[0].move, makeMoveWord(sq("e2"), sq("e4"), 0x18000000));
  EXPECT_EQ(moves[1].move, makeMoveWord(sq("e2"), sq("e3"), 0x10000000));
}

TEST(GenerateEvasions, DoubleCheckGivesOnlyKingMoves) {
  auto pos = positionFromFen("1k6/8/2N5/8/8/8/8/1R2K2Q b - -");
  ASSERT_TRUE(pos->checkInfo[0] & DOUBLE_CHECK);
  generateEvasions(*pos, ~Bitboard{0});
  const auto moves = currentList(*pos);
  ASSERT_FALSE(moves.empty());
  for (const ScoredMove& entry : moves) EXPECT_EQ(moveFrom(entry.move), pos->kingSquare[BLACK]);
}

TEST(GenerateEvasions, NoStepAwayAlongTheCheckingLine) {
  auto pos = positionFromFen("8/8/8/8/r3K3/8/8/k7 w - -");
  generateEvasions(*pos, ~Bitboard{0});
  EXPECT_TRUE(movesBetween(*pos, "e4", "f4").empty());
  EXPECT_FALSE(movesBetween(*pos, "e4", "e5").empty());
}

TEST(GenerateEvasions, CapturesAndInterpositions) {
  // Bishop check from b4: the pawn takes it, the knight and the pawn interpose.
  auto pos = positionFromFen("4k3/8/8/8/1b6/P7/2P5/1N2K3 w - -");
  generateEvasions(*pos, ~Bitboard{0});
  EXPECT_EQ(movesBetween(*pos, "a3", "b4").at(0).move, makeMoveWord(sq("a3"), sq("b4"), 0x11000000));
  EXPECT_EQ(movesBetween(*pos, "c2", "c3").at(0).move, makeMoveWord(sq("c2"), sq("c3"), 0x10000000));
  EXPECT_EQ(movesBetween(*pos, "b1", "c3").size(), 1u);
  EXPECT_EQ(movesBetween(*pos, "b1", "d2").size(), 1u);
  EXPECT_EQ(movesBetween(*pos, "b1", "a3").size(), 0u);
  EXPECT_EQ(movesBetween(*pos, "c2", "c4").size(), 0u);
}

TEST(GenerateEvasions, EnPassantTakesTheCheckingPawn) {
  auto pos = positionFromFen("8/8/8/2k5/3Pp3/8/8/4K3 b - d3");
  ASSERT_TRUE(inCheck(pos->checkInfo[0]));
  generateEvasions(*pos, ~Bitboard{0});
  const auto moves = movesBetween(*pos, "e4", "d3");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move & FLAG_EN_PASSANT, FLAG_EN_PASSANT);
  EXPECT_EQ(moves[0].score, 0x20000016);
}

TEST(AddMove, QuietScoresFromKillersAndTables) {
  auto pos = positionFromFen(nullptr);
  resetHistory();
  buildOrderTables();
  pos->killers[0][0] = makeMoveWord(sq("b1"), sq("c3"), 0);
  pos->killers[0][1] = makeMoveWord(sq("d2"), sq("d4"), 0x18000000);
  generateAllMoves(*pos);
  EXPECT_EQ(movesBetween(*pos, "b1", "c3").at(0).score, 0x10000000);
  EXPECT_EQ(movesBetween(*pos, "d2", "d4").at(0).score, 0x0FFFFFFF);
  // Knight g1-f3: table(f3) 8 - table(g1) -10 + 32; history is the move picker's.
  EXPECT_EQ(movesBetween(*pos, "g1", "f3").at(0).score, 8 + 10 + 32);
  // Black mirrors the tables: knight g8-f6 scores the same.
  pos = positionFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -");
  generateAllMoves(*pos);
  EXPECT_EQ(movesBetween(*pos, "g8", "f6").at(0).score, 8 + 10 + 32);
}

TEST(IsMovePlayable, StoredMoves) {
  auto pos = positionFromFen("4k3/P7/8/3p4/8/2n5/8/R3K2R w KQ -");
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(sq("a1"), sq("a5"), 0)));
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("a1"), sq("a8"), 0)));  // through the pawn
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("a7"), sq("a8"), 0x10000000)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(E1, D1, 0)));  // the knight covers d1
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(E1, sq("f2"), 0)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("h1"), sq("h3"), 0x10000000)));  // flags of a pawn
  EXPECT_FALSE(isMovePlayable(*pos, MOVE_NONE));
  // A killer that captures here.
  pos = positionFromFen("4k3/8/8/3p4/8/8/8/3RK3 w - -");
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("d1"), sq("d5"), 0)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("d1"), sq("d5"), FLAG_CAPTURE)));
}

TEST(GenerateQuietsByGain, ThresholdAndNoDirectChecks) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/8/R3K3 w - -");
  clearGainTables();
  generateQuietsByGain(*pos, 0);
  EXPECT_TRUE(movesBetween(*pos, "a1", "a8").empty());  // would check along the rank
  EXPECT_TRUE(movesBetween(*pos, "a1", "e1").empty());
  EXPECT_FALSE(movesBetween(*pos, "a1", "a7").empty());
  EXPECT_FALSE(movesBetween(*pos, "e1", "d2").empty());
  const Move rookMove = makeMoveWord(sq("a1"), sq("a7"), 0);
  gainMinTable[gainIndex(pieceCode(WHITE, ROOK), rookMove)] = 5;
  generateQuietsByGain(*pos, 1);
  const auto moves = currentList(*pos);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move, rookMove);
  clearGainTables();
}

}  // namespace
