#include "support/ending_solver.h"

#include <cstdlib>

namespace velt {

namespace {

using Mask = std::uint64_t;

struct Masks {
  Mask king[64];
  Mask whitePawnAttack[64];  // squares a white pawn on the square attacks
  Masks() {
    for (int s = 0; s < 64; ++s) {
      king[s] = whitePawnAttack[s] = 0;
      for (int t = 0; t < 64; ++t) {
        int df = std::abs(t % 8 - s % 8), dr = t / 8 - s / 8;
        if (t != s && df <= 1 && std::abs(dr) <= 1) king[s] |= Mask{1} << t;
        if (df == 1 && dr == 1) whitePawnAttack[s] |= Mask{1} << t;
      }
    }
  }
};

const Masks masks;

Mask bit(int square) { return square < 0 ? 0 : Mask{1} << square; }

// Squares a slider on `from` attacks through `occupied` along the given (file, rank) steps.
Mask sliderAttacks(int from, Mask occupied, bool diagonal, bool straight) {
  static const int steps[8][3] = {{1, 1, 1}, {1, -1, 1}, {-1, 1, 1}, {-1, -1, 1},
                                  {1, 0, 0}, {-1, 0, 0}, {0, 1, 0},  {0, -1, 0}};
  Mask attacks = 0;
  for (const auto& step : steps) {
    if ((step[2] && !diagonal) || (!step[2] && !straight)) continue;
    int file = from % 8 + step[0], rank = from / 8 + step[1];
    while (file >= 0 && file < 8 && rank >= 0 && rank < 8) {
      attacks |= bit(rank * 8 + file);
      if (occupied & bit(rank * 8 + file)) break;
      file += step[0];
      rank += step[1];
    }
  }
  return attacks;
}

// White's men of one position; -1 marks an absent man. `extra` is a promoted queen or rook.
struct White {
  int king, bishop, pawn, extra;
  bool extraIsQueen;
};

Mask whiteAttackSet(const White& w, Mask occupied) {
  Mask attacks = masks.king[w.king];
  if (w.pawn >= 0) attacks |= masks.whitePawnAttack[w.pawn];
  if (w.bishop >= 0) attacks |= sliderAttacks(w.bishop, occupied, true, false);
  if (w.extra >= 0) attacks |= sliderAttacks(w.extra, occupied, w.extraIsQueen, true);
  return attacks;
}

Mask whiteMen(const White& w) { return bit(w.king) | bit(w.bishop) | bit(w.pawn) | bit(w.extra); }

// Black king's destinations: a destination holding a white man is a capture of it and is
// allowed when no other white man guards the square.
Mask blackKingMoves(const White& w, int blackKing) {
  Mask result = 0;
  for (Mask targets = masks.king[blackKing]; targets; targets &= targets - 1) {
    int to = __builtin_ctzll(targets);
    White after = w;
    for (int* man : {&after.bishop, &after.pawn, &after.extra})
      if (*man == to) *man = -1;
    Mask occupied = whiteMen(after) | bit(to);
    if (!(whiteAttackSet(after, occupied) & bit(to))) result |= bit(to);
  }
  return result;
}

bool promotionWins(White w, int blackKing, int square) {
  w.pawn = -1;
  w.extra = square;
  for (bool queen : {true, false}) {
    w.extraIsQueen = queen;
    Mask moves = blackKingMoves(w, blackKing);
    bool inCheck = whiteAttackSet(w, whiteMen(w) | bit(blackKing)) & bit(blackKing);
    bool stalemate = !moves && !inCheck;
    if (!stalemate && !(moves & bit(square))) return true;
  }
  return false;
}

bool legalPosition(int side, const White& w, int blackKing) {
  Mask men = whiteMen(w);
  if (__builtin_popcountll(men | bit(blackKing)) != (w.bishop >= 0 ? 4 : 3)) return false;
  if (masks.king[w.king] & bit(blackKing)) return false;
  return side == 1 || !(whiteAttackSet(w, men | bit(blackKing)) & bit(blackKing));
}

int sliceIndex(int side, int whiteKing, int blackKing) { return (side * 64 + whiteKing) * 64 + blackKing; }

// Solves the slice of one pawn square. `bishops` is false for the pawn ending.
void solveSlice(EndingSolver& solver, int pawn, bool bishops) {
  std::vector<std::uint8_t>& slice = bishops ? solver.bishopEnding[pawn] : solver.pawnEnding[pawn];
  int bishopCount = bishops ? 64 : 1;
  slice.assign(2 * 64 * 64 * bishopCount, ENDING_ILLEGAL);
  auto at = [&](int side, int wk, int bk, int b) -> std::uint8_t& {
    return slice[sliceIndex(side, wk, bk) * bishopCount + (bishops ? b : 0)];
  };
  auto higher = [&](int toPawn, int side, int wk, int bk, int b) {
    const std::vector<std::uint8_t>& other = bishops ? solver.bishopEnding[toPawn] : solver.pawnEnding[toPawn];
    return other[sliceIndex(side, wk, bk) * bishopCount + (bishops ? b : 0)];
  };
  for (int side = 0; side < 2; ++side)
    for (int wk = 0; wk < 64; ++wk)
      for (int bk = 0; bk < 64; ++bk)
        for (int b = 0; b < bishopCount; ++b)
          if (legalPosition(side, White{wk, bishops ? b : -1, pawn, -1, false}, bk)) at(side, wk, bk, b) = ENDING_DRAWN;

  for (bool changed = true; changed;) {
    changed = false;
    for (int side = 0; side < 2; ++side)
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk)
          for (int b = 0; b < bishopCount; ++b) {
            if (at(side, wk, bk, b) != ENDING_DRAWN) continue;
            White w{wk, bishops ? b : -1, pawn, -1, false};
            Mask occupied = whiteMen(w) | bit(bk);
            bool wins = false;
            if (side == 0) {
              for (Mask m = masks.king[wk] & ~occupied & ~masks.king[bk]; m && !wins; m &= m - 1)
                wins = at(1, __builtin_ctzll(m), bk, b) == ENDING_WON;
              if (bishops)
                for (Mask m = sliderAttacks(b, occupied, true, false) & ~occupied; m && !wins; m &= m - 1)
                  wins = at(1, wk, bk, __builtin_ctzll(m)) == ENDING_WON;
              int push = pawn + 8;
              if (!wins && !(occupied & bit(push))) {
                if (push >= 56)
                  wins = promotionWins(w, bk, push);
                else
                  wins = higher(push, 1, wk, bk, b) == ENDING_WON ||
                         (pawn < 16 && !(occupied & bit(push + 8)) && higher(push + 8, 1, wk, bk, b) == ENDING_WON);
              }
            } else {
              Mask moves = blackKingMoves(w, bk);
              bool inCheck = whiteAttackSet(w, occupied) & bit(bk);
              wins = moves || inCheck;
              for (; moves && wins; moves &= moves - 1) {
                int to = __builtin_ctzll(moves);
                if (to == pawn)
                  wins = false;
                else if (bishops && to == b)
                  wins = solver.pawnEnding[pawn][sliceIndex(0, wk, to)] == ENDING_WON;
                else
                  wins = at(0, wk, to, b) == ENDING_WON;
              }
            }
            if (wins) {
              at(side, wk, bk, b) = ENDING_WON;
              changed = true;
            }
          }
  }
}

}  // namespace

void EndingSolver::solvePawnEnding() {
  for (int pawn = 55; pawn >= 8; --pawn) solveSlice(*this, pawn, false);
}

void EndingSolver::solveBishopEnding(int minRank) {
  for (int rank = 6; rank >= minRank; --rank)
    for (int file : {0, 7}) solveSlice(*this, rank * 8 + file, true);
}

}  // namespace velt
