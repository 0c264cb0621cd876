#include "board/see.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "board/bitboard.h"
#include "search/worker.h"
#include "support/brute_board.h"
#include "support/board_setup.h"

namespace velt {

namespace {

Move capture(const Position& pos, const char* from, const char* to) {
  Move flags = isEmptyCell(pos.board[sq(to)]) ? 0 : FLAG_CAPTURE;
  if (typeOfCode(pos.board[sq(from)]) == PAWN) flags |= FLAG_PAWN_MOVE;
  return makeMoveWord(sq(from), sq(to), flags);
}

// ---- A plain minimax of the captures on one square ----

constexpr int swapValueOf[6] = {100, 300, 300, 500, 1000, 0};

// The least valuable man of `side` that can take on `square` (knights before bishops,
// lower squares first, the king last and only where the square is then not attacked).
int cheapestAttacker(const BruteBoard& b, int square, int side) {
  for (int type = PAWN; type <= KING; ++type)
    for (int s = 0; s < 64; ++s) {
      if (b.cell[s] != pieceCode(side, type) || !bruteManAttacks(b, s, square)) continue;
      if (type == KING && bruteAttacks(bruteAfterMove(b, makeMoveWord(s, square, 0)), square, side ^ 1)) continue;
      return s;
    }
  return NO_SQUARE;
}

// What `side` gains by going on with the exchange on `square` (it may stop at any time),
// the man standing there being worth `standing`.
int swapGain(const BruteBoard& b, int square, int side, int standing) {
  int from = cheapestAttacker(b, square, side);
  if (from == NO_SQUARE) return 0;
  int value = swapValueOf[typeOfCode(b.cell[from])];
  BruteBoard after = bruteAfterMove(b, makeMoveWord(from, square, 0));
  return std::max(0, standing - swapGain(after, square, side ^ 1, value));
}

bool minimaxSafe(const BruteBoard& b, Move move) {
  int from = moveFrom(move), to = moveTo(move);
  int captured = isEmptyCell(b.cell[to]) ? 0 : swapValueOf[typeOfCode(b.cell[to])];
  int mover = swapValueOf[typeOfCode(b.cell[from])];
  BruteBoard after = bruteAfterMove(b, move);
  return captured - swapGain(after, to, colourOfCode(b.cell[from]) ^ 1, mover) >= 0;
}

// Whether some man of the side not to move is pinned against its king.
bool defenderPinned(const BruteBoard& b, int side) {
  int king = bruteKingSquare(b, side ^ 1);
  for (int s = 0; s < 64; ++s) {
    if (colourOfCode(b.cell[s]) != (side ^ 1) || s == king) continue;
    BruteBoard without = b;
    without.cell[s] = EMPTY_CELL;
    if (!bruteAttacks(b, king, side) && bruteAttacks(without, king, side)) return true;
  }
  return false;
}

TEST(CaptureIsSafe, AgreesWithMinimaxOnRandomPositions) {
  std::mt19937 rng(20261206);
  int compared = 0, unsafe = 0;
  for (int round = 0; round < 400; ++round) {
    std::string fen = randomFen(rng, 6 + static_cast<int>(rng() % 12));
    Worker& pos = setUp(fen);
    BruteBoard b = bruteFromPosition(pos);
    if (defenderPinned(b, pos.side)) continue;
    for (int from = 0; from < 64; ++from) {
      if (colourOfCode(b.cell[from]) != pos.side) continue;
      for (int to = 0; to < 64; ++to) {
        int target = b.cell[to];
        if (colourOfCode(target) == pos.side || typeOfCode(target) == KING || !bruteManAttacks(b, from, to)) continue;
        bool pawn = typeOfCode(b.cell[from]) == PAWN;
        if (pawn && (rankOf(to) == 0 || rankOf(to) == 7)) continue;
        if (pawn && isEmptyCell(target)) continue;  // pawns only take
        Move move = makeMoveWord(from, to, (isEmptyCell(target) ? 0 : FLAG_CAPTURE) | (pawn ? FLAG_PAWN_MOVE : 0));
        if (bruteInCheck(bruteAfterMove(b, move), pos.side)) continue;
        bool expected = minimaxSafe(b, move);
        EXPECT_EQ(captureIsSafe(pos, move), expected) << fen << " move " << from << "-" << to;
        ++compared;
        unsafe += !expected;
      }
    }
  }
  EXPECT_GT(compared, 2000);
  EXPECT_GT(unsafe, compared / 10);
}

// Named exchanges the random positions rarely build: pins, the king, x-rays.
TEST(CaptureIsSafe, NamedCases) {
  struct Case {
    const char* fen;
    const char* move;
    bool safe;
  };
  const Case cases[] = {
      {"4k3/8/2p5/3p4/8/8/3Q4/4K3 w - -", "d2d5", false},
      {"2B5/8/4p3/3p4/8/2N4k/8/K7 w - -", "c3d5", true},     // the e6 guard is pinned
      {"8/8/4p3/3p4/8/2N4k/8/K7 w - -", "c3d5", false},
      {"4k3/4n3/8/3p4/8/8/8/3RK3 w - -", "d1d5", false},     // knight guard...
      {"4k3/4n3/8/3p4/8/8/8/3RR1K1 w - -", "d1d5", true},    // ...pinned by the e1 rook
      {"8/8/4k3/3b4/8/8/3R4/3QK3 w - -", "d2d5", true},      // the king cannot take back
      {"8/8/4k3/3b4/8/8/3R4/4K3 w - -", "d2d5", false},
      {"3rk3/8/8/3n4/8/8/3R4/3QK3 w - -", "d2d5", true},     // x-ray support
  };
  for (const Case& c : cases) {
    Worker& pos = setUp(c.fen);
    char from[3] = {c.move[0], c.move[1], 0};
    EXPECT_EQ(captureIsSafe(pos, capture(pos, from, c.move + 2)), c.safe) << c.fen << " " << c.move;
  }
  // En passant is always accepted.
  Worker& pos = setUp("4k3/8/8/2pP4/8/8/8/4K3 w - c6");
  EXPECT_TRUE(captureIsSafe(pos, makeMoveWord(sq("d5"), sq("c6"), FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_EN_PASSANT)));
  // A checking move onto a square guarded by a rook with the capturer's rook behind it.
  pos = setUp("4k3/8/8/8/8/8/r3R3/4RK2 b - -");
  EXPECT_FALSE(checkIsSafe(pos, makeMoveWord(sq("a2"), sq("a1"), 0)));
  EXPECT_TRUE(checkIsSafe(pos, makeMoveWord(sq("a2"), sq("a8"), 0)));
}

}  // namespace

}  // namespace velt
