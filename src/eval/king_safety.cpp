#include "eval/king_safety.h"

#include <bit>

#include "board/attacks.h"
#include "eval/colour_view.h"
#include "eval/eval_state.h"
#include "eval/material.h"
#include "eval/eval_tables.h"
#include "eval/pawns.h"

namespace velt {

namespace {

constexpr int castleShortRight(int colour) { return colour == WHITE ? 1 : 4; }
constexpr int castleLongRight(int colour) { return colour == WHITE ? 2 : 8; }

// Shelter of the three files from `firstFile`, the middle one counting twice.
int shelterWing(const std::uint8_t own[10], const std::uint8_t enemy[10], int firstFile) {
  auto nearest = [](std::uint8_t ranks) { return ranks ? std::countr_zero(ranks) : 0; };
  int cover = 0, storm = 0;
  for (int i = 0; i < 3; ++i) {
    const int b = firstFile + i + 1;
    cover += shelterOwn[nearest(own[b])] * (i == 1 ? 2 : 1);
    storm += shelterStorm[nearest(enemy[b])];
  }
  return (cover == 0 ? FULL_SHELTER : cover) + storm;
}

template <int C>
void fillShelterOf(const Position& pos, PawnEntry& entry) {
  if (entry.shelter[C][SHELTER_QUEENSIDE] != SHELTER_UNKNOWN) return;
  std::uint8_t own[10], enemy[10];
  for (int i = 0; i < 10; ++i) {
    own[i] = relativeRanks<C>(pos.pawnRanks[C][i]);
    enemy[i] = relativeRanks<C>(pos.pawnRanks[1 - C][i]);
  }
  entry.shelter[C][SHELTER_QUEENSIDE] = static_cast<std::uint16_t>(shelterWing(own, enemy, 0));
  entry.shelter[C][SHELTER_KINGSIDE] = static_cast<std::uint16_t>(shelterWing(own, enemy, 5));
  entry.shelter[C][SHELTER_CENTRE] = static_cast<std::uint16_t>(shelterWing(own, enemy, 3));
}

template <int C>
int shelterOf(const Position& pos, PawnEntry& entry) {
  fillShelterOf<C>(pos, entry);
  const int file = fileOf(pos.kingSquare[C]);
  const std::uint16_t* words = entry.shelter[C];
  if (file <= 2) return words[SHELTER_QUEENSIDE];
  if (file >= 5) return words[SHELTER_KINGSIDE];
  // In the centre: halfway towards the better wing it may still castle to.
  const int centre = words[SHELTER_CENTRE];
  int best = centre;
  if ((pos.castleRights & castleLongRight(C)) && words[SHELTER_QUEENSIDE] < best) best = words[SHELTER_QUEENSIDE];
  if ((pos.castleRights & castleShortRight(C)) && words[SHELTER_KINGSIDE] < best) best = words[SHELTER_KINGSIDE];
  return (best + centre) / 2;
}

// An enemy queen aiming at the king's surroundings from afar makes a bad king
// position worse, unless the own queen stands guard on a line next to the king.
template <int C>
int aggravateByQueen(const Position& pos, const EvalState& st, int ks, int shelter) {
  constexpr int T = 1 - C;
  const int enemyQueenDistance = st.queenRecord[T] >> 8;
  if (ks >= 0 || enemyQueenDistance == 0) return ks;
  if (pos.pieceBB[C][QUEEN] == 0) return ks + ks / 4;
  const int king = pos.kingSquare[C];
  const int queen = st.queenRecord[C] & 0xFF;
  const int line = kingZoneLine[king][0][queen];
  if (line == -1) return ks + ks / 3;
  const int man = firstManInDirection(pos, queen, (line >> 4) & 15);
  if (man != NO_SQUARE && enemyQueenDistance <= (kingZoneLine[king][0][man] & 15) && squareDistance(queen, king) > 1)
    return ks + ks / 3;
  const int enemyQueen = st.queenRecord[T] & 0xFF;
  if (squareDistance(enemyQueen, king) <= 3 && squareDistance(enemyQueen, queen) > 3 && shelter >= 4800)
    return ks + ((st.kingAttack[C] >> 16) <= 1 ? ks / 8 : ks / 4);
  return ks;
}

template <int C>
void scoreKing(const Position& pos, EvalState& st) {
  constexpr int T = 1 - C;
  const int rs = relativeSquare<C>(pos.kingSquare[C]);
  const unsigned files = (st.pawns->pawnFiles | st.pawns->pawnFiles >> 8) & 0xFF;
  const int variant = (files != 0 && (files & ~0x07u) == 0) ? 1 : (files != 0 && (files & ~0xE0u) == 0) ? 2 : 0;
  st.eg[C] += kingEg[variant][rs];
  if (st.materialFlags & lowMaterialFlag(T)) {
    st.mg[C] += kingMg[rs];
    return;
  }
  const int shelter = shelterOf<C>(pos, *st.pawns);
  const int attackers = static_cast<int>(st.kingAttack[C] >> 16);
  const int weight = static_cast<std::int16_t>(st.kingAttack[C] & 0xFFFF);
  const int penalty = (weight * attackFactor[attackers < 4 ? attackers : 4]) >> 5;
  const int ks = kingMg[rs] - penalty - shelter;
  st.mg[C] += aggravateByQueen<C>(pos, st, ks, shelter);
}

}  // namespace

void fillShelter(const Position& pos, PawnEntry& entry, int colour) {
  if (colour == WHITE) fillShelterOf<WHITE>(pos, entry);
  else fillShelterOf<BLACK>(pos, entry);
}

int kingShelter(const Position& pos, PawnEntry& entry, int colour) {
  return colour == WHITE ? shelterOf<WHITE>(pos, entry) : shelterOf<BLACK>(pos, entry);
}

void evaluateKings(const Position& pos, EvalState& st) {
  scoreKing<WHITE>(pos, st);
  scoreKing<BLACK>(pos, st);
}

}  // namespace velt
