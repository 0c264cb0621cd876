#include "eval/pieces.h"

#include <bit>

#include "board/attacks.h"
#include "eval/colour_view.h"
#include "eval/eval_state.h"
#include "eval/material.h"
#include "eval/eval_tables.h"

namespace velt {

namespace {

// Indexed by piece type (knight 1 .. queen 4).
constexpr int kingAttackWeight[5] = {0, 1882, 836, 1332, 1064};
constexpr int mobilityMg[5] = {0, 28, 298, 168, 108};
constexpr int mobilityEg[5] = {0, 242, 232, 158, 74};
constexpr int coverMg[5] = {0, 208, 176, 144, 160};
constexpr int coverEg[5] = {0, 96, 64, 32, 64};

constexpr int PAWN_ATTACKED_MG = 208, PAWN_ATTACKED_EG = 240;  // a minor or rook on a square an enemy pawn hits
constexpr int QUEEN_PAWN_ATTACKED_MG = 272, QUEEN_PAWN_ATTACKED_EG = 304;
constexpr int HEAVY_THREAT_MG = 304, HEAVY_THREAT_EG = 320;
constexpr int BLOCKED_BISHOP_MG = 3840;
constexpr int TRAPPED_BISHOP = 3604;
constexpr int TRAPPED_ROOK_MG = 3840;
constexpr int SEVENTH_QUEEN_EG = 2840;

template <int TYPE>
const SquareTable& tableMg() {
  if constexpr (TYPE == KNIGHT) return knightMg;
  else if constexpr (TYPE == BISHOP) return bishopMg;
  else if constexpr (TYPE == ROOK) return rookMg;
  else return queenMg;
}

// Rooks have no end-game square values.
template <int TYPE>
int tableEg(int relSquare) {
  if constexpr (TYPE == KNIGHT) return knightEg[relSquare];
  else if constexpr (TYPE == BISHOP) return bishopEg[relSquare];
  else if constexpr (TYPE == ROOK) return 0;
  else return queenEg[relSquare];
}

struct Sums {
  int mg = 0, eg = 0;
  void add(int m, int e) {
    mg += m;
    eg += e;
  }
};

// Threat terms of one piece of colour C with attack set `attacks`.
template <int C, int TYPE>
void scoreThreats(const Position& pos, EvalState& st, Bitboard attacks, Sums& sums) {
  constexpr int T = 1 - C;
  const Bitboard undefended = ~st.pawnAttacks[T];
  const Bitboard* enemy = pos.pieceBB[T];
  if constexpr (TYPE == QUEEN) {
    if (attacks & pos.colourBB[T] & undefended) sums.add(144, 160);
    return;
  } else {
    constexpr int pawnMg = TYPE == ROOK ? 80 : 96, pawnEg = TYPE == ROOK ? 112 : 128;
    if (attacks & enemy[PAWN] & undefended) sums.add(pawnMg, pawnEg);
    if constexpr (TYPE == KNIGHT) {
      if (attacks & enemy[BISHOP] & undefended) sums.add(144, 160);
    } else if constexpr (TYPE == BISHOP) {
      if (attacks & enemy[KNIGHT] & undefended) sums.add(144, 160);
    } else {
      if (attacks & (enemy[KNIGHT] | enemy[BISHOP]) & undefended) sums.add(128, 144);
    }
    const Bitboard heavy = TYPE == ROOK ? enemy[QUEEN] : enemy[ROOK] | enemy[QUEEN];
    if (attacks & heavy) {
      sums.add(HEAVY_THREAT_MG, HEAVY_THREAT_EG);
      ++st.threatCount[C];
    }
  }
}

// A single man between the piece and the enemy king on a line the piece moves
// along: pinned when it is the enemy's, a discovered attack when it is ours.
template <int C, int TYPE>
void scorePinOrDiscovery(const Position& pos, int square, Sums& sums) {
  const int king = pos.kingSquare[1 - C];
  const int d = direction[square][king];
  if (d < 0) return;
  const bool diagonal = d >= NORTH_WEST;
  if ((TYPE == BISHOP && !diagonal) || (TYPE == ROOK && diagonal)) return;
  const Bitboard men = squaresBetween(square, king) & pos.occupied;
  if (men == 0 || (men & (men - 1)) != 0) return;
  const bool enemyMan = (men & pos.colourBB[1 - C]) != 0;
  if constexpr (TYPE == QUEEN) sums.add(128, enemyMan ? 320 : 256);
  else sums.add(enemyMan ? 128 : 192, 320);
}

template <int C>
bool onSeventhAgainstKing(const Position& pos, int square) {
  return relativeRank<C>(square) == 6 &&
         (relativeRank<C>(pos.kingSquare[1 - C]) == 7 ||
          (pos.pieceBB[1 - C][PAWN] & rankMask(C == WHITE ? 6 : 1)) != 0);
}

template <int C>
void scoreRookSpecifics(const Position& pos, const EvalState& st, int square, Sums& sums) {
  constexpr int T = 1 - C;
  const int file = fileOf(square), r = relativeRank<C>(square);
  const int enemyKing = pos.kingSquare[T];
  if ((relativeRanks<C>(pos.pawnRanks[C][file + 1]) >> r) == 0) {
    sums.add(128, 512);
    if ((relativeRanks<C>(pos.pawnRanks[T][file + 1]) >> r) == 0) sums.add(1942, 344);
    if (!(st.materialFlags & lowMaterialFlag(C))) {
      const int line = kingZoneLine[enemyKing][0][square];
      if (line > 0 && ((line >> 4) & 15) == forwardDirection<C>()) {
        sums.mg += 242;
        if (file == fileOf(enemyKing)) sums.mg += 1706;
      }
    }
  }
  if (onSeventhAgainstKing<C>(pos, square)) sums.add(492, 2052);

  // Shut in by the own king in a corner.
  const int rs = relativeSquare<C>(square), king = relativeSquare<C>(pos.kingSquare[C]);
  constexpr Bitboard queenCorner = 1ULL << A1 | 1ULL << B1 | 1ULL << (A1 + 8);
  constexpr Bitboard kingCorner = 1ULL << G1 | 1ULL << H1 | 1ULL << (H1 + 8);
  const Bitboard rooks = relativeBoard<C>(pos.pieceBB[C][ROOK]);
  Bitboard corner = 0;
  if ((queenCorner >> rs & 1) && (king == B1 || king == C1)) corner = queenCorner;
  if ((kingCorner >> rs & 1) && (king == F1 || king == G1)) corner = kingCorner;
  if (corner) sums.mg -= std::popcount(rooks & corner) == 1 ? TRAPPED_ROOK_MG : TRAPPED_ROOK_MG / 2;
}

template <int C>
void scoreQueenSpecifics(const Position& pos, EvalState& st, int square, Bitboard rookPart, Sums& sums) {
  const Bitboard zone = st.kingZone[1 - C];
  st.queenRecord[C] = square;
  if ((rookPart | bishopAttacks(pos, square)) & zone) {
    const int distance = squareDistance(square, pos.kingSquare[1 - C]);
    if (distance >= 2 && ((rookPart & zone) || !(rookLines[square] & zone))) st.queenRecord[C] = distance << 8 | square;
  }
  if (onSeventhAgainstKing<C>(pos, square)) sums.eg += SEVENTH_QUEEN_EG;
}

// Every piece of type TYPE and colour C, in colour-relative square order.
template <int C, int TYPE>
void scorePieceType(Position& pos, EvalState& st, Sums& sums) {
  constexpr int T = 1 - C;
  Bitboard typeMap = 0;  // stored once: the map is not read while the pieces are scored
  const Bitboard enemyZone = TYPE == KNIGHT ? st.kingZone[T] | squareBit[pos.kingSquare[T]] : st.kingZone[T];
  const Bitboard ownZone = TYPE == KNIGHT ? st.kingZone[C] | squareBit[pos.kingSquare[C]] : st.kingZone[C];
  for (Bitboard pieces = relativeBoard<C>(pos.pieceBB[C][TYPE]); pieces; pieces &= pieces - 1) {
    const int rs = std::countr_zero(pieces);
    const int square = relativeSquare<C>(rs);
    Bitboard attacks, rookPart = 0;
    if constexpr (TYPE == KNIGHT) {
      attacks = knightAttacks[square];
    } else if constexpr (TYPE == BISHOP) {
      attacks = bishopAttacks(pos, square);
    } else if constexpr (TYPE == ROOK) {
      attacks = rookAttacks(pos, square);
    } else {
      rookPart = rookAttacks(pos, square);
      attacks = rookPart | bishopAttacks(pos, square);
    }
    typeMap |= attacks;
    const int mobility = std::popcount(attacks & ~pos.colourBB[C]);
    if (attacks & enemyZone) st.kingAttack[T] += ONE_KING_ATTACKER + kingAttackWeight[TYPE];
    sums.add(tableMg<TYPE>()[rs] + mobility * mobilityMg[TYPE], tableEg<TYPE>(rs) + mobility * mobilityEg[TYPE]);
    if (attacks & ownZone) sums.add(coverMg[TYPE], coverEg[TYPE]);
    scoreThreats<C, TYPE>(pos, st, attacks, sums);
    if (squareBit[square] & st.pawnAttacks[T]) {
      if constexpr (TYPE == QUEEN) sums.add(-QUEEN_PAWN_ATTACKED_MG, -QUEEN_PAWN_ATTACKED_EG);
      else sums.add(-PAWN_ATTACKED_MG, -PAWN_ATTACKED_EG);
      ++st.threatCount[T];
    }
    if constexpr (TYPE != KNIGHT) scorePinOrDiscovery<C, TYPE>(pos, square, sums);

    if constexpr (TYPE == BISHOP) {
      // Shut in behind the own centre pawn that cannot advance.
      const Bitboard own = relativeBoard<C>(pos.pieceBB[C][PAWN]), all = relativeBoard<C>(pos.occupied);
      if ((rs == C1 && (own >> (D1 + 8) & 1) && (all >> (D1 + 16) & 1)) ||
          (rs == F1 && (own >> (E1 + 8) & 1) && (all >> (E1 + 16) & 1)))
        sums.mg -= BLOCKED_BISHOP_MG;
    } else if constexpr (TYPE == ROOK) {
      scoreRookSpecifics<C>(pos, st, square, sums);
    } else if constexpr (TYPE == QUEEN) {
      scoreQueenSpecifics<C>(pos, st, square, rookPart, sums);
    }
  }
  pos.attackMap[pos.ply][C] |= typeMap;
}

// A bishop on a6, a7 or b8 (h6, h7 or g8) cut off by an enemy pawn on the
// square diagonally in front of it towards the centre; counted once.
template <int C>
bool bishopTrappedOnRim(const Position& pos) {
  const Bitboard bishops = relativeBoard<C>(pos.pieceBB[C][BISHOP]);
  const Bitboard enemyPawns = relativeBoard<C>(pos.pieceBB[1 - C][PAWN]);
  static constexpr int trapped[6][2] = {{40, 33}, {48, 41}, {57, 50}, {47, 38}, {55, 46}, {62, 53}};
  constexpr Bitboard rimSquares = [] {
    Bitboard squares = 0;
    for (const auto& pair : trapped) squares |= Bitboard{1} << pair[0];
    return squares;
  }();
  if ((bishops & rimSquares) == 0) return false;  // the usual case, decided at once
  for (const auto& pair : trapped) {
    if ((bishops >> pair[0] & 1) && (enemyPawns >> pair[1] & 1)) return true;
  }
  return false;
}

template <int C>
void scorePieces(Position& pos, EvalState& st) {
  Sums sums;
  scorePieceType<C, KNIGHT>(pos, st, sums);
  scorePieceType<C, BISHOP>(pos, st, sums);
  if (bishopTrappedOnRim<C>(pos)) sums.add(-TRAPPED_BISHOP, -TRAPPED_BISHOP);
  scorePieceType<C, ROOK>(pos, st, sums);
  scorePieceType<C, QUEEN>(pos, st, sums);
  st.mg[C] += sums.mg;
  st.eg[C] += sums.eg;
}

}  // namespace

void evaluatePieces(Position& pos, EvalState& st) {
  scorePieces<WHITE>(pos, st);
  scorePieces<BLACK>(pos, st);
}

}  // namespace velt
