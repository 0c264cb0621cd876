#include "eval/king_safety.h"

#include <gtest/gtest.h>

#include "eval/pawns.h"
#include "support/eval_setup.h"

namespace {

PawnEntry& shelteredEntry(const char* fen) {
  Position& pos = setUpEvalPosition(fen);
  PawnEntry& entry = *probePawnHash(pos);
  fillShelter(pos, entry, WHITE);
  fillShelter(pos, entry, BLACK);
  return entry;
}

TEST(Shelter, UnmovedPawnsCount1588NotZero) {
  EXPECT_EQ(shelteredEntry("6k1/8/8/8/8/8/5PPP/6K1 w - -").shelter[WHITE][SHELTER_KINGSIDE], 1588);
  EXPECT_EQ(shelteredEntry("6k1/5ppp/8/8/8/8/8/6K1 w - -").shelter[BLACK][SHELTER_KINGSIDE], 1588);
}

TEST(Shelter, AdvancedMiddlePawnCountsTwice) {
  EXPECT_EQ(shelteredEntry("6k1/8/8/8/8/6P1/5P1P/6K1 w - -").shelter[WHITE][SHELTER_KINGSIDE], 856);
  EXPECT_EQ(shelteredEntry("6k1/5p1p/6p1/8/8/8/8/6K1 w - -").shelter[BLACK][SHELTER_KINGSIDE], 856);
}

TEST(Shelter, MissingPawnsAndStorm) {
  // Queen side bare: 4 * 2242; a black pawn on g3 storms the king side (4668).
  const PawnEntry& entry = shelteredEntry("6k1/8/8/8/8/6p1/5PPP/6K1 w - -");
  EXPECT_EQ(entry.shelter[WHITE][SHELTER_QUEENSIDE], 4 * 2242);
  EXPECT_EQ(entry.shelter[WHITE][SHELTER_KINGSIDE], 1588 + 4668);
  // Centre files d, e, f: only f2 (d and e missing, e counts twice).
  EXPECT_EQ(entry.shelter[WHITE][SHELTER_CENTRE], 3 * 2242 + 0);
}

TEST(Shelter, CentralKingLeansToTheBetterCastlingWing) {
  Position& pos = setUpEvalPosition("4k3/8/8/8/8/8/8/R3K2R w KQ -");
  PawnEntry& entry = *probePawnHash(pos);
  entry.shelter[WHITE][SHELTER_QUEENSIDE] = 3000;
  entry.shelter[WHITE][SHELTER_KINGSIDE] = 1000;
  entry.shelter[WHITE][SHELTER_CENTRE] = 4000;
  EXPECT_EQ(kingShelter(pos, entry, WHITE), 2500);
  pos.castleRights = 2;  // long castling only
  EXPECT_EQ(kingShelter(pos, entry, WHITE), 3500);
  pos.castleRights = 0;
  EXPECT_EQ(kingShelter(pos, entry, WHITE), 4000);
}

// White's middle-game king term with the given tally against the white king.
int whiteKingMg(const char* fen, std::uint32_t tally) {
  Position& pos = setUpEvalPosition(fen);
  EvalState st = freshEvalState(pos);
  st.kingAttack[WHITE] = tally;
  evaluateKings(pos, st);
  return st.mg[WHITE];
}

TEST(KingAttack, LoneKnightGivesTheDefenderATinyBonus) {
  const char* fen = "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - -";
  EXPECT_EQ(whiteKingMg(fen, ONE_KING_ATTACKER + 1882) - whiteKingMg(fen, 0), 59);
}

TEST(KingAttack, FactorGrowsWithAttackers) {
  const char* fen = "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - -";
  const int base = whiteKingMg(fen, 0);
  EXPECT_EQ(base - whiteKingMg(fen, 2 * ONE_KING_ATTACKER + 3000), (3000 * 37) >> 5);
  EXPECT_EQ(base - whiteKingMg(fen, 3 * ONE_KING_ATTACKER + 3000), (3000 * 71) >> 5);
  EXPECT_EQ(base - whiteKingMg(fen, 6 * ONE_KING_ATTACKER + 3000), (3000 * 100) >> 5);
}

TEST(KingSafety, OffWhenTheAttackerLacksMaterial) {
  // Black's piece material below 16: white gets only its table value 0 on e1.
  Position& pos = setUpEvalPosition("4k3/8/8/8/8/8/8/4K3 w - -");
  EvalState st = freshEvalState(pos, 0x03);
  evaluateKings(pos, st);
  EXPECT_EQ(st.mg[WHITE], 0);
  EXPECT_EQ(st.mg[BLACK], 0);
  EXPECT_EQ(st.eg[WHITE], -1604);  // centralising table, e1
}

TEST(KingSafety, EndGameTableFollowsThePawnWings) {
  auto egOf = [](const char* fen) {
    Position& pos = setUpEvalPosition(fen);
    EvalState st = freshEvalState(pos, 0x03);
    evaluateKings(pos, st);
    return st.eg[WHITE];
  };
  EXPECT_EQ(egOf("k7/8/8/8/8/8/6PP/4K3 w - -"), -2406);  // pawns on g, h: king-side table at e1
  EXPECT_GT(egOf("k7/8/8/8/8/8/6PP/6K1 w - -"), egOf("k7/8/8/8/8/8/6PP/1K6 w - -"));
  EXPECT_GT(egOf("k7/8/8/8/8/8/PP6/1K6 w - -"), egOf("k7/8/8/8/8/8/PP6/6K1 w - -"));
}

// The queen aggravation: a bad king position grows worse when the enemy queen
// aims at the king's surroundings from afar.
TEST(KingSafety, QueenAggravation) {
  auto whiteKs = [](const char* fen, int blackQueenRecord) {
    Position& pos = setUpEvalPosition(fen);
    EvalState st = freshEvalState(pos);
    st.kingAttack[WHITE] = 3 * ONE_KING_ATTACKER + 4000;
    st.queenRecord[WHITE] = pos.pieceBB[WHITE][QUEEN] ? __builtin_ctzll(pos.pieceBB[WHITE][QUEEN]) : NO_SQUARE;
    st.queenRecord[BLACK] = blackQueenRecord;
    evaluateKings(pos, st);
    return st.mg[WHITE];
  };
  // No white queen: a quarter more.
  const char* noQueen = "3qk3/8/8/8/8/8/8/6K1 w - -";
  const int plain = whiteKs(noQueen, 59);
  EXPECT_LT(plain, 0);
  EXPECT_EQ(whiteKs(noQueen, 5 << 8 | 59), plain + plain / 4);
  // A white queen on a8 has no straight line next to its king on g1: a third more.
  const char* farQueen = "Q2qk3/8/8/8/8/8/8/6K1 w - -";
  const int farPlain = whiteKs(farQueen, 59);
  EXPECT_EQ(whiteKs(farQueen, 5 << 8 | 59), farPlain + farPlain / 3);
  // A queen on g2 next to its king guards: the enemy queen's distance does not matter.
  const char* guard = "3qk3/8/8/8/8/8/6Q1/6K1 w - -";
  EXPECT_EQ(whiteKs(guard, 5 << 8 | 59), whiteKs(guard, 59));
}

}  // namespace
