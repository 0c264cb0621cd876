#include "board/see.h"

#include "board/attacks.h"

namespace velt {

namespace {

// Values inside the exchange; a king that takes part is valued by the side it serves.
constexpr int exchangeValue[5] = {100, 300, 300, 500, 1000};
constexpr int DEFENDING_KING_VALUE = 5000;
constexpr int MOVING_KING_VALUE = 10000;
constexpr int WINNING_BALANCE = 2500;

constexpr bool isDiagonal(int d) { return d >= NORTH_WEST; }

// The nearest man from `square` in direction d, or NO_SQUARE.
int nearestMan(int square, int d, Bitboard occupied) {
  Bitboard men = ray[square][d] & occupied;
  if (!men) return NO_SQUARE;
  return (d & 1) ? highestSquare(men) : lowestSquare(men);
}

bool slidesAlong(int code, int d) {
  int type = typeOfCode(code);
  return type == QUEEN || type == (isDiagonal(d) ? BISHOP : ROOK);
}

// The slider, of either colour, that stands behind `square` as seen from `target`.
Bitboard sliderBehind(const Position& pos, int square, int target, Bitboard occupied) {
  int d = direction[target][square];
  if (d < 0) return 0;
  int behind = nearestMan(square, d, occupied);
  return behind != NO_SQUARE && slidesAlong(pos.board[behind], d) ? squareBit[behind] : 0;
}

// The least valuable man of `colour` among `attackers`, or NO_SQUARE; pinned defenders
// are passed over when `skipPinned` is set.
int leastValuable(const Position& pos, Bitboard attackers, int colour, bool skipPinned, int from, int to) {
  for (int type = PAWN; type <= QUEEN; ++type)
    for (Bitboard men = attackers & pos.pieceBB[colour][type]; men; men &= men - 1) {
      int square = lowestSquare(men);
      if (!skipPinned || !isPinnedDefender(pos, square, from, to)) return square;
    }
  return NO_SQUARE;
}

bool anyUnpinned(const Position& pos, Bitboard defenders, int from, int to) {
  for (; defenders; defenders &= defenders - 1)
    if (!isPinnedDefender(pos, lowestSquare(defenders), from, to)) return true;
  return false;
}

}  // namespace

bool isPinnedDefender(const Position& pos, int defenderSquare, int capturerFrom, int target) {
  if (inCheck(pos.checkInfo[pos.gamePly])) return false;
  int king = pos.kingSquare[pos.xside];
  int d = direction[king][defenderSquare];
  if (d < 0 || nearestMan(king, d, pos.occupied) != defenderSquare) return false;
  int pinner = nearestMan(defenderSquare, d, pos.occupied);
  if (pinner == NO_SQUARE || pinner == capturerFrom) return false;
  int code = pos.board[pinner];
  if (colourOfCode(code) != pos.side || !slidesAlong(code, d)) return false;
  int captureDirection = direction[defenderSquare][target];
  return captureDirection != d && captureDirection != (d ^ 1);
}

bool captureIsSafe(const Position& pos, Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int us = pos.side, them = pos.xside;
  const int mover = typeOfCode(pos.board[from]);
  const int a = pieceValue[mover];
  const int v = isEmptyCell(pos.board[to]) ? 0 : pieceValue[typeOfCode(pos.board[to])];

  // Early exits: even or winning trades, undefended targets, the cheap refutations.
  if (a <= v || (move & FLAG_EN_PASSANT)) return true;
  if (!(pos.attackMap[pos.ply][them] & (squareBit[from] | squareBit[to]))) return true;
  Bitboard pawns = pawnAttackers[them][to] & pos.pieceBB[them][PAWN];
  if (a - v > 100 && pawns && !isPinnedDefender(pos, lowestSquare(pawns), from, to)) return false;
  if (a - v > 300 && (anyUnpinned(pos, knightAttacks[to] & pos.pieceBB[them][KNIGHT], from, to) ||
                      anyUnpinned(pos, bishopAttacks(pos, to) & pos.pieceBB[them][BISHOP], from, to)))
    return false;

  // The exchange on `to`, both sides taking with their least valuable man.
  Bitboard keep = ~(squareBit[from] | squareBit[to]);
  Bitboard occupied = pos.occupied & keep;
  Bitboard diagonal = pos.pieceBB[WHITE][BISHOP] | pos.pieceBB[BLACK][BISHOP] | pos.pieceBB[WHITE][QUEEN] |
                      pos.pieceBB[BLACK][QUEEN];
  Bitboard straight = pos.pieceBB[WHITE][ROOK] | pos.pieceBB[BLACK][ROOK] | pos.pieceBB[WHITE][QUEEN] |
                      pos.pieceBB[BLACK][QUEEN];
  Bitboard attackers = (pawnAttackers[WHITE][to] & pos.pieceBB[WHITE][PAWN]) |
                       (pawnAttackers[BLACK][to] & pos.pieceBB[BLACK][PAWN]) |
                       (knightAttacks[to] & (pos.pieceBB[WHITE][KNIGHT] | pos.pieceBB[BLACK][KNIGHT])) |
                       (bishopAttacks(pos, to) & diagonal) | (rookAttacks(pos, to) & straight);
  if (mover != KNIGHT && mover != KING) attackers |= sliderBehind(pos, from, to, occupied);
  attackers &= keep;

  auto removeAttacker = [&](int square) {
    keep &= squareClear[square];
    occupied &= squareClear[square];
    attackers = (attackers | sliderBehind(pos, square, to, occupied)) & keep;
  };

  int balance = v - a;
  for (;;) {
    int square = leastValuable(pos, attackers, them, true, from, to);
    int value;
    if (square == NO_SQUARE) {
      if (!(kingAttacks[pos.kingSquare[them]] & squareBit[to])) return true;
      value = DEFENDING_KING_VALUE;
    } else {
      value = exchangeValue[typeOfCode(pos.board[square])];
      removeAttacker(square);
    }
    balance += value;
    if (balance < 0) return false;

    square = leastValuable(pos, attackers, us, false, from, to);
    if (square == NO_SQUARE) {
      if (!(kingAttacks[pos.kingSquare[us]] & squareBit[to])) return false;
      if (balance > WINNING_BALANCE) return true;
      value = MOVING_KING_VALUE;
    } else {
      value = exchangeValue[typeOfCode(pos.board[square])];
      removeAttacker(square);
    }
    balance -= value;
    if (balance >= 0) return true;
  }
}

}  // namespace velt
