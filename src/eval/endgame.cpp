#include "eval/endgame.h"

#include <bit>

#include "board/attacks.h"
#include "eval/colour_view.h"
#include "eval/eval_state.h"
#include "eval/material.h"
#include "eval/eval_tables.h"
#include "eval/pawns.h"

namespace velt {

namespace {

constexpr int MATE_DISTANCE_UNIT = 1024;

// The weak king in the corner of `pawnFile` on the strong side's queening rank,
// all strong pawns on that file, and the bishop on the other colour.
bool cornerDraw(const Position& pos, int strong, int pawnFile) {
  const Bitboard fileMask = FILE_A << pawnFile;
  if (pos.pieceBB[strong][PAWN] & ~fileMask) return false;
  const int lastRank = strong == WHITE ? 7 : 0;
  const int nextRank = strong == WHITE ? 6 : 1;
  const int innerFile = pawnFile == 0 ? 1 : 6;
  const int king = pos.kingSquare[1 - strong];
  const int kingFile = fileOf(king), kingRank = rankOf(king);
  const bool inCorner = (kingFile == pawnFile || kingFile == innerFile) && (kingRank == lastRank || kingRank == nextRank);
  if (!inCorner) return false;
  const int bishop = std::countr_zero(pos.pieceBB[strong][BISHOP]);
  return isLightSquare(bishop) != isLightSquare(makeSquare(pawnFile, lastRank));
}

}  // namespace

bool isWrongBishopDraw(const Position& pos, int material) {
  const int strong = material <= 0 ? BLACK : WHITE;
  return cornerDraw(pos, strong, 0) || cornerDraw(pos, strong, 7);
}

bool bishopsOfOppositeColour(const Position& pos) {
  return isLightSquare(std::countr_zero(pos.pieceBB[WHITE][BISHOP])) !=
         isLightSquare(std::countr_zero(pos.pieceBB[BLACK][BISHOP]));
}

int bishopKnightMateTerm(const Position& pos, const EvalState& st, int egScore) {
  const int strong = egScore > 0 ? WHITE : BLACK;
  const int weak = 1 - strong;
  int corner = pos.kingSquare[weak];
  if (isLightSquare(std::countr_zero(pos.pieceBB[strong][BISHOP]))) corner ^= 56;
  const int kingsApart = squareDistance(pos.kingSquare[WHITE], pos.kingSquare[BLACK]);
  const int attackers = static_cast<int>(st.kingAttack[weak] >> 16);
  const int term = (2 * attackers - kingsApart) * MATE_DISTANCE_UNIT + kbnTable[corner];
  return strong == WHITE ? term : -term;
}

int applyDrawishScale(int score, const PawnEntry& entry) {
  const int capped = score > 100 ? 100 : score < -100 ? -100 : score;
  const int scale = score >= 0 ? entry.scaleWhite : entry.scaleBlack;
  return score - ((scale * capped) >> 8);
}

}  // namespace velt
