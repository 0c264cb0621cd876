#include "eval/pieces.h"

#include <gtest/gtest.h>

#include "support/eval_setup.h"

namespace {

struct PieceSums {
  int mg[2], eg[2];
  EvalState st;
};

PieceSums pieces(const char* fen, std::uint32_t flags = 0) {
  Position& pos = setUpEvalPosition(fen);
  PieceSums sums;
  sums.st = freshEvalState(pos, flags);
  evaluatePieces(pos, sums.st);
  for (int c = 0; c < 2; ++c) {
    sums.mg[c] = sums.st.mg[c];
    sums.eg[c] = sums.st.eg[c];
  }
  return sums;
}

TEST(Pieces, RookOnTheSeventhWithBothFileBonuses) {
  // Ra7: 14 squares, table -416; open file (128, 512) + (1942, 344); seventh (492, 2052).
  const PieceSums s = pieces("7k/R7/8/8/8/8/8/2K5 w - -", 0x03);
  EXPECT_EQ(s.mg[WHITE], -416 + 14 * 168 + 128 + 1942 + 492);
  EXPECT_EQ(s.eg[WHITE], 14 * 158 + 512 + 344 + 2052);
  EXPECT_EQ(s.st.kingAttack[BLACK], ONE_KING_ATTACKER + 1332);  // it hits g7 and h7
  // Mirrored for black.
  const PieceSums b = pieces("2k5/8/8/8/8/8/r7/7K b - -", 0x03);
  EXPECT_EQ(b.mg[BLACK], s.mg[WHITE]);
  EXPECT_EQ(b.eg[BLACK], s.eg[WHITE]);
  EXPECT_EQ(b.st.kingAttack[WHITE], ONE_KING_ATTACKER + 1332);
}

TEST(Pieces, RookAimedAtTheKing) {
  // (Black to move: the rook on g1 gives check.)
  // Open file toward the king on g8: 242 when the file passes next to it, 1706 more
  // on the king's own file. Every rook also covers b1 next to its king (144).
  const int onKingFile = pieces("6k1/8/8/8/8/8/8/K5R1 b - -").mg[WHITE];
  EXPECT_EQ(onKingFile, -208 + 13 * 168 + 128 + 1942 + 242 + 1706 + 144);
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/8/K6R b - -").mg[WHITE], -416 + 13 * 168 + 128 + 1942 + 242 + 144);
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/8/K3R3 w - -").mg[WHITE], 208 + 13 * 168 + 128 + 1942 + 144);
  // Not when white's pieces are too few to attack.
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/8/K5R1 b - -", 0x01).mg[WHITE], onKingFile - 242 - 1706);
  // Nor behind an own pawn on the file (which it then unmasks toward the king: 192).
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/6P1/K5R1 w - -").mg[WHITE], -208 + 6 * 168 + 144 + 192);
}

TEST(Pieces, PawnThreatsAgainstPieces) {
  // A knight on e5 hit by the d6 pawn: (-208, -240) and a black threat.
  const PieceSums hit = pieces("4k3/8/3p4/4N3/8/8/8/4K3 w - -");
  const PieceSums safe = pieces("4k3/8/8/3pN3/8/8/8/4K3 w - -");
  EXPECT_EQ(hit.st.threatCount[BLACK], 1);
  EXPECT_EQ(safe.st.threatCount[BLACK], 0);
  EXPECT_EQ(hit.mg[WHITE] - safe.mg[WHITE], -208);
  EXPECT_EQ(hit.eg[WHITE] - safe.eg[WHITE], -240);
}

TEST(Pieces, ThreatsOnHeavierPiecesCountOncePerPiece) {
  // Nd5 forks the c7 rook and the e7 queen: one threat.
  EXPECT_EQ(pieces("4k3/2r1q3/8/3N4/8/8/8/4K3 w - -").st.threatCount[WHITE], 1);
  // Nb3 and Be3 both hit the c5 rook: two threats.
  EXPECT_EQ(pieces("4k3/8/8/2r5/8/1N2B3/8/4K3 w - -").st.threatCount[WHITE], 2);
  // A rook attacking a rook is no threat.
  EXPECT_EQ(pieces("4k3/8/8/2r5/8/8/8/2R1K3 w - -").st.threatCount[WHITE], 0);
}

TEST(Pieces, PinnedManAndDiscoveredAttack) {
  // Bb5 pins the d7 knight: 8 squares, covers e2/f1 (176, 64), hits the undefended
  // knight (144, 160), pin (128, 320).
  const PieceSums pin = pieces("4k3/3n4/8/1B6/8/8/8/4K3 w - -");
  EXPECT_EQ(pin.mg[WHITE], 0 + 8 * 298 + 176 + 144 + 128);
  EXPECT_EQ(pin.eg[WHITE], 0 + 8 * 232 + 64 + 160 + 320);
  // Re1 behind the own e2 knight aims at e8: discovered attack (192, 320).
  const PieceSums discovery = pieces("4k3/8/8/8/8/8/4N3/K3R3 w - -");
  const int knightMg = -1410 + 6 * 28, knightEg = -112 + 6 * 242;
  EXPECT_EQ(discovery.mg[WHITE], knightMg + 208 + 6 * 168 + 128 + 1942 + 242 + 1706 + 144 + 192);
  EXPECT_EQ(discovery.eg[WHITE], knightEg + 6 * 158 + 512 + 344 + 32 + 320);
}

TEST(Pieces, BishopShutInOrTrapped) {
  // c1 behind d2 with d3 occupied: -3840.
  EXPECT_EQ(pieces("4k3/8/8/8/8/3P4/3P4/2B1K3 w - -").mg[WHITE] - pieces("4k3/8/8/8/8/8/3P4/2B1K3 w - -").mg[WHITE],
            -3840);
  // Ba7 cut off by b6: two squares, hits the undefended pawn, trapped (-3604, -3604).
  const PieceSums trapped = pieces("4k3/B7/1p6/8/8/8/8/4K3 w - -");
  EXPECT_EQ(trapped.mg[WHITE], -1176 + 2 * 298 + 96 - 3604);
  EXPECT_EQ(trapped.eg[WHITE], -392 + 2 * 232 + 128 - 3604);
  const PieceSums mirrored = pieces("4k3/8/8/8/8/1P6/b7/4K3 b - -");
  EXPECT_EQ(mirrored.mg[BLACK], trapped.mg[WHITE]);
}

TEST(Pieces, RookShutInByItsKing) {
  // Ra1 with the king on b1: covers a2 (144, 32), -3840 as the only corner rook.
  EXPECT_EQ(pieces("4k3/8/8/8/8/8/8/RK6 w - -").mg[WHITE], -416 + 7 * 168 + 128 + 1942 + 144 - 3840);
  // Two rooks in the corner: -1920 each.
  const PieceSums two = pieces("4k3/8/8/8/8/8/R7/RK6 w - -");
  const PieceSums none = pieces("4k3/8/8/8/8/8/R7/R3K3 w - -");
  EXPECT_LT(two.mg[WHITE], none.mg[WHITE]);
  EXPECT_EQ(pieces("rk6/r7/8/8/8/8/8/4K3 b - -").mg[BLACK], two.mg[WHITE]);
}

TEST(Pieces, QueenRecord) {
  // Qh5 hits h7 along the file from distance 3: recorded.
  EXPECT_EQ(pieces("6k1/8/8/7Q/8/8/8/4K3 w - -").st.queenRecord[WHITE], 3 << 8 | 39);
  // With h6 blocked only the diagonal reaches f7, though the empty-board file would: not recorded.
  EXPECT_EQ(pieces("6k1/8/7p/7Q/8/8/8/4K3 w - -").st.queenRecord[WHITE], 39);
  // Qa1 reaches g7 only along the diagonal, and its lines never pass the king: recorded.
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/8/Q3K3 w - -").st.queenRecord[WHITE], 7 << 8 | 0);
  EXPECT_EQ(pieces("6k1/8/8/8/8/8/8/4K3 w - -").st.queenRecord[WHITE], NO_QUEEN_RECORD);
}

TEST(Pieces, QueenOnTheSeventh) {
  const PieceSums seventh = pieces("6k1/Q7/8/8/8/8/8/4K3 w - -");
  // a7: table -864 eg; 21 squares (a-file 7, rank 7 7, diagonals b8 and b6..g1);
  // covers f2 next to its king (160, 64); seventh 2840.
  EXPECT_EQ(seventh.eg[WHITE], -864 + 21 * 74 + 64 + 2840);
}

}  // namespace
