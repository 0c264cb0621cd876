#include "eval/pawns.h"

#include <gtest/gtest.h>

#include "eval/pieces.h"
#include "search/tt.h"

#include "support/eval_setup.h"

namespace {

PawnEntry evaluated(const char* fen) {
  Position& pos = setUpEvalPosition(fen);
  PawnEntry entry{};
  evaluatePawns(pos, entry);
  return entry;
}

TEST(PawnStructure, NoPawnsScoreNothingAndScaleIs208) {
  const PawnEntry entry = evaluated("4k3/8/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(entry.mgPawnScore, 0);
  EXPECT_EQ(entry.egPawnScore, 0);
  EXPECT_EQ(entry.scaleWhite, 208);
  EXPECT_EQ(entry.scaleBlack, 208);
  EXPECT_EQ(entry.pawnFiles, 0);
  EXPECT_EQ(entry.passedFiles, 0);
}

TEST(PawnStructure, IsolatedPawnWithAndWithoutBlocker) {
  // d4 alone: square value 640 / 64, isolated 1846 / 648, and it is passed.
  PawnEntry entry = evaluated("4k3/8/8/8/3P4/8/8/4K3 w - -");
  EXPECT_EQ(entry.mgPawnScore, 640 - 1846);
  EXPECT_EQ(entry.egPawnScore, 64 - 648);
  EXPECT_EQ(entry.passedFiles, 1 << 3);
  EXPECT_EQ(entry.scaleWhite, 160);
  // A black pawn on d6 blocks it: both isolated pawns lose only 158.
  entry = evaluated("4k3/8/3p4/8/3P4/8/8/4K3 w - -");
  EXPECT_EQ(entry.mgPawnScore, (640 - 158) - (128 - 158));
  EXPECT_EQ(entry.egPawnScore, (64 - 648) - (-64 - 648));
  EXPECT_EQ(entry.passedFiles, 0);
}

TEST(PawnStructure, DoubledPawnsEachLose316) {
  // d2 has d3 in front (isolated 158), d3 nothing (1846); both doubled and isolated.
  const PawnEntry entry = evaluated("4k3/8/8/8/8/3P4/3P4/4K3 w - -");
  EXPECT_EQ(entry.mgPawnScore, (-384 - 158) + (128 - 1846));
  EXPECT_EQ(entry.egPawnScore, (-192 - 648 - 316) + (-64 - 648 - 316));
  EXPECT_EQ(entry.passedFiles, 1 << 3);
  EXPECT_EQ(entry.scaleWhite, 160);  // two pawns, span 0
}

TEST(PawnStructure, BackwardPawnPassedPawnAndScales) {
  // d3 is backward (c5 controls d4, e4 is ahead of it); e4 is passed; c5 isolated.
  const PawnEntry entry = evaluated("4k3/8/8/2p5/4P3/3P4/8/4K3 w - -");
  EXPECT_EQ(entry.mgPawnScore, (128 - 1744 + 640) - (0 - 1846));
  EXPECT_EQ(entry.egPawnScore, (-64 - 594 + 64) - (256 - 648));
  EXPECT_EQ(entry.passedFiles, 1 << 4);
  EXPECT_EQ(entry.candidateFiles, 0);
  EXPECT_EQ(entry.pawnFiles, 0x18 | 0x04 << 8);
  EXPECT_EQ(entry.scaleWhite, 128);  // two pawns one file apart
  EXPECT_EQ(entry.scaleBlack, 160);
}

TEST(PawnStructure, CandidatePassedPawn) {
  // c4 faces d5 alone and is supported by d3: a candidate, for white and, mirrored, for black.
  EXPECT_EQ(evaluated("4k3/8/8/3p4/2P5/3P4/8/4K3 w - -").candidateFiles, 1 << 2);
  EXPECT_EQ(evaluated("4k3/8/3p4/2p5/3P4/8/8/4K3 w - -").candidateFiles, 1 << (8 + 2));
  // Without the supporting pawn it is not.
  EXPECT_EQ(evaluated("4k3/8/8/3p4/2P5/8/8/4K3 w - -").candidateFiles, 0);
  // The bonus goes with it: 764 / 362 for the fourth rank.
  const PawnEntry with = evaluated("4k3/8/8/3p4/2P5/3P4/8/4K3 w - -");
  EXPECT_EQ(with.mgPawnScore, (0 + 764 + 128) - (640 - 158));
}

TEST(PawnStructure, ScaleFallsWithPawnsSpreadOverFiles) {
  EXPECT_EQ(evaluated("4k3/8/8/8/8/8/PP1PP1PP/4K3 w - -").scaleWhite, 0);        // six pawns, span 7
  EXPECT_EQ(evaluated("4k3/8/8/8/8/8/PPPP4/4K3 w - -").scaleWhite, 64);          // four pawns, span 3
  EXPECT_EQ(evaluated("4k3/pppp4/8/8/8/8/8/4K3 w - -").scaleBlack, 64);
}

TEST(PawnHash, ProbeFillsOnceAndResetsSheltersOnReplacement) {
  Position& pos = setUpEvalPosition("4k3/pp6/8/8/8/8/5PPP/4K3 w - -");
  clearPawnHash();
  PawnEntry* entry = probePawnHash(pos);
  EXPECT_EQ(entry->keyLow, static_cast<std::uint32_t>(pos.pawnKey));
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], SHELTER_UNKNOWN);
  entry->shelter[WHITE][SHELTER_KINGSIDE] = 1234;
  EXPECT_EQ(probePawnHash(pos), entry);
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], 1234);
  // Another structure taking the slot starts with unknown shelters.
  entry->keyHigh ^= 1;
  EXPECT_EQ(probePawnHash(pos), entry);
  EXPECT_EQ(entry->shelter[WHITE][SHELTER_KINGSIDE], SHELTER_UNKNOWN);
  clearPawnHash();
  EXPECT_EQ(entry->keyLow, 0xFFFFFFFFu);
  EXPECT_EQ(entry->shelter[BLACK][SHELTER_CENTRE], SHELTER_UNKNOWN);
  // Clearing the transposition table empties the pawn hash with it.
  EXPECT_EQ(probePawnHash(pos), entry);
  ttClear();
  EXPECT_EQ(entry->keyLow, 0xFFFFFFFFu);
}

TEST(PawnHash, OneTablePerThread) {
  Position& pos = setUpEvalPosition("4k3/pp6/8/8/8/8/5PPP/4K3 w - -");
  PawnEntry* main = probePawnHash(pos);
  pos.threadIndex = PAWN_HASH_TABLES - 1;
  PawnEntry* helper = probePawnHash(pos);
  pos.threadIndex = 0;
  EXPECT_NE(main, helper);
  EXPECT_EQ(helper->mgPawnScore, main->mgPawnScore);
  EXPECT_EQ(helper->passedFiles, main->passedFiles);
}

class PassedPawnTerms : public ::testing::Test {
 protected:
  int egOf(const char* fen, std::uint32_t flags = 0) {
    Position& pos = setUpEvalPosition(fen);
    EvalState st = freshEvalState(pos, flags);
    evaluatePieces(pos, st);  // completes the attack maps
    st.mg[WHITE] = st.mg[BLACK] = st.eg[WHITE] = st.eg[BLACK] = 0;
    evaluatePassedPawns(pos, *st.pawns, st);
    mg = st.mg[WHITE] - st.mg[BLACK];
    return st.eg[WHITE] - st.eg[BLACK];
  }
  int mg = 0;
};

TEST_F(PassedPawnTerms, PawnOnTheSeventh) {
  // d7 with nothing in front, black holds a knight, black king 5 from d8, white king 1 from it.
  const int eg = egOf("8/3PK3/8/8/8/3k4/8/7n w - -");
  EXPECT_EQ(mg, 9642);
  EXPECT_EQ(eg, 4040 + 524 + 2622 + 2000 + 2590 * 5 - 1300 * 1);
  // With the white king on f5, a black knight on b7 guards d8 alone: the path is no longer safe.
  EXPECT_EQ(egOf("8/3P4/8/5K2/8/3k4/8/7n w - -"), 4040 + 524 + 2622 + 2000 + 2590 * 5 - 1300 * 3);
  EXPECT_EQ(egOf("8/1n1P4/8/5K2/8/3k4/8/8 w - -"), 4040 + 524 + 2622 + 2590 * 5 - 1300 * 3);
}

TEST_F(PassedPawnTerms, MirroredForBlack) {
  EXPECT_EQ(egOf("7N/8/3K4/8/8/8/3pk3/8 b - -"), -(4040 + 524 + 2622 + 2000 + 2590 * 5 - 1300 * 1));
  EXPECT_EQ(mg, -9642);
}

TEST_F(PassedPawnTerms, ConnectedPassersAgainstARookOrLess) {
  // e6 (r = 5) with d7 beside it (r2 = 6), the black king too far from both:
  // 19200 against a lone rook, 960 against a knight (r differs from r2).
  const int withRook = egOf("7k/3P4/4P3/8/8/8/1r6/K7 w - -");
  const int withKnight = egOf("7k/3P4/4P3/8/8/8/1n6/K7 w - -");
  EXPECT_EQ(withRook - withKnight, 19200 - 960);
  // With black to move the king is one step nearer: d7 (distance 4 - 1 > 1) and
  // e6 (distance 3 - 1 = 2, not above 7 - 5) stop the bonus.
  EXPECT_EQ(egOf("7k/3P4/4P3/8/8/8/1r6/K7 b - -") - egOf("7k/3P4/4P3/8/8/8/1n6/K7 b - -"), 0);
}

}  // namespace
