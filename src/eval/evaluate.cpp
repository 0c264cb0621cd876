#include "eval/evaluate.h"

#include <algorithm>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "eval/endgame.h"
#include "eval/eval_data.h"
#include "eval/material.h"
#include "eval/terms.h"

namespace velt {

namespace {

constexpr int THREAT_BONUS_MG = 960;
constexpr int THREAT_BONUS_EG = 1600;
constexpr int LAZY_CAPTURE_MARGIN = 100;
constexpr int GAIN_JUMP_LIMIT = 500;

// The lazy count of the parent position (0 when it has no record).
int parentLazyCount(const Position& pos) { return pos.gamePly >= 2 ? pos.undo[pos.gamePly - 2].evalExtra : 0; }

void storeLazyCount(Position& pos, int count) {
  if (pos.gamePly > 0) pos.undo[pos.gamePly - 1].evalExtra = count;
}

// An exit before the terms: the maps must still be valid for make-move.
void storeEarlyExit(EvalPosition& pos, int positional) {
  storeLazyCount(pos, parentLazyCount(pos) + 1);
  pos.plyEval[pos.ply] = positional;
  fillAttackMaps(pos);
}

void learnMoveGain(EvalPosition& pos, Move move) {
  const int mover = pos.xside;
  const int change = pos.plyEval[pos.ply] - pos.plyEval[pos.ply - 1];
  learnGain(*pos.evalData->gains, gainIndex(pos.board[moveTo(move)], move), mover == WHITE ? change : -change);
}

void setPawnAndKingMaps(Position& pos) {
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    pos.attackMap[pos.ply][colour] = pawnAttackSet(pos, colour) | kingAttacks[pos.kingSquare[colour]];
  }
}

}  // namespace

// The attacks of every knight, bishop, rook and queen ORed into the maps; a queen
// counts among the diagonal and among the straight line pieces.
void addPieceAttacks(Position& pos) {
  Bitboard* maps = pos.attackMap[pos.ply];
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    const Bitboard* men = pos.pieceBB[colour];
    Bitboard attacks = 0;
    for (Bitboard knights = men[KNIGHT]; knights; knights &= knights - 1) {
      attacks |= knightAttacks[lowestSquare(knights)];
    }
    for (Bitboard diagonal = men[BISHOP] | men[QUEEN]; diagonal; diagonal &= diagonal - 1) {
      attacks |= bishopAttacks(pos, lowestSquare(diagonal));
    }
    for (Bitboard straight = men[ROOK] | men[QUEEN]; straight; straight &= straight - 1) {
      attacks |= rookAttacks(pos, lowestSquare(straight));
    }
    maps[colour] |= attacks;
  }
}

Bitboard pawnAttackSet(const Position& pos, int colour) {
  const Bitboard pawns = pos.pieceBB[colour][PAWN];
  return colour == WHITE ? ((pawns & ~FILE_A) << 7) | ((pawns & ~FILE_H) << 9)
                         : ((pawns & ~FILE_A) >> 9) | ((pawns & ~FILE_H) >> 7);
}

void initEvalState(const Position& pos, std::uint32_t materialFlags, int phase, EvalState& st) {
  st = EvalState{};
  st.materialFlags = materialFlags;
  st.phase = phase;
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    st.pawnAttacks[colour] = pawnAttackSet(pos, colour);
    st.kingZone[colour] = kingAttacks[pos.kingSquare[colour]];
    st.queenRecord[colour] = NO_QUEEN_RECORD;
  }
  // A side whose pawns reach the squares next to the enemy king starts with one
  // attacker of no weight against it.
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    if (st.pawnAttacks[colour ^ 1] & st.kingZone[colour]) st.kingAttack[colour] = ONE_KING_ATTACKER;
  }
}

void fillAttackMaps(Position& pos) {
  setPawnAndKingMaps(pos);
  addPieceAttacks(pos);
}

void learnGain(GainTables& gains, int index, int d) {
  GainEntry& entry = gains.entries[index];
  const int largest = entry.largest.load(std::memory_order_relaxed);
  const int newLargest = d < largest ? largest - 1 : d <= GAIN_JUMP_LIMIT ? d : largest + 1;
  entry.largest.store(newLargest, std::memory_order_relaxed);
  const int smallest = entry.smallest.load(std::memory_order_relaxed);
  const int newSmallest = d > smallest ? smallest + 1 : d > -GAIN_JUMP_LIMIT - 1 ? d : smallest - 1;
  entry.smallest.store(newSmallest, std::memory_order_relaxed);
}

void clearGainTables(GainTables& gains) {
  for (GainEntry& entry : gains.entries) {
    entry.largest.store(0, std::memory_order_relaxed);
    entry.smallest.store(0, std::memory_order_relaxed);
  }
}

int evaluate(EvalPosition& pos, int alpha, int beta) {
  const int gamePly = pos.gamePly;
  const Move lastMove = gamePly > 0 ? pos.undo[gamePly - 1].move : MOVE_NONE;
  if (gamePly > 0 && lastMove == MOVE_NONE) return pos.undo[gamePly - 1].evalAfter;

  const EvalData& data = *pos.evalData;
  const std::uint32_t entry = materialEntry(data.material, pos);
  const int material = keyBalance(pos.materialKey) * 3200 + entryAdjustment(entry);
  const int phase = entryPhase(entry);
  const std::uint32_t flags = entryFlags(entry);
  const int materialCp = material / 32;
  const int sideSign = pos.side == WHITE ? 1 : -1;

  if ((flags & MATERIAL_WRONG_BISHOP) && isWrongBishopDraw(pos, material)) {
    storeEarlyExit(pos, 0);
    return 0;
  }

  const int parentLazy = parentLazyCount(pos);
  if (alpha != NO_WINDOW && pos.ply > 2) {
    const int index = gainIndex(pos.board[moveTo(lastMove)], lastMove);
    const int margin = 16 * parentLazy + ((lastMove & (FLAG_CAPTURE | FLAG_PROMOTION)) ? LAZY_CAPTURE_MARGIN : 0);
    const int moverSign = -sideSign;
    const int parentPositional = pos.plyEval[pos.ply - 1];
    const int upperPositional = parentPositional + moverSign * smallestGain(*data.gains, index);
    const int upper = sideSign * (upperPositional + materialCp);
    if (upper < alpha - margin) {
      storeEarlyExit(pos, upperPositional);
      return upper;
    }
    const int lowerPositional = parentPositional + moverSign * largestGain(*data.gains, index);
    const int lower = sideSign * (lowerPositional + materialCp);
    if (lower > beta + margin) {
      storeEarlyExit(pos, lowerPositional);
      return lower;
    }
  }

  EvalState st;
  initEvalState(pos, flags, phase, st);
  st.mg[WHITE] = st.eg[WHITE] = material * 70 / 32;
  addPawnTerms(pos, st);
  setPawnAndKingMaps(pos);
  addPieceTerms(pos, st);
  addPassedPawnTerms(pos, st);
  addKingTerms(pos, st);
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    if (st.threatCount[colour] >= 2) {
      st.mg[colour] += THREAT_BONUS_MG;
      st.eg[colour] += THREAT_BONUS_EG;
    }
  }
  addEndgameTerms(pos, st);

  const int mg = st.mg[WHITE] - st.mg[BLACK];
  const int eg = st.eg[WHITE] - st.eg[BLACK];
  const int blend = phase * mg + (64 - phase) * eg;
  int score = (blend < 0 ? blend + 63 : blend) >> 12;
  score = applyDrawishScale(score, *st.pawns);
  score = score * 29 / 32;

  storeLazyCount(pos, 0);
  pos.plyEval[pos.ply] = score - materialCp;
  if (pos.ply > 0 && pos.learnsGains && !(lastMove & (FLAG_CAPTURE | FLAG_PROMOTION)) && parentLazy == 0) {
    learnMoveGain(pos, lastMove);
  }
  return sideSign * score;
}

}  // namespace velt
