#include "support/brute_board.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "board/bitboard.h"
#include "search/engine_core.h"
#include "support/board_setup.h"

namespace velt {

namespace {

bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

bool holds(const BruteBoard& b, int file, int rank, int colour, int type) {
  return onBoard(file, rank) && b.cell[makeSquare(file, rank)] == pieceCode(colour, type);
}

// Whether a slider of `colour` of one of the two types sees (file, rank) along (df, dr).
bool sliderSees(const BruteBoard& b, int file, int rank, int df, int dr, int colour, int typeA, int typeB) {
  for (int f = file + df, r = rank + dr; onBoard(f, r); f += df, r += dr) {
    int code = b.cell[makeSquare(f, r)];
    if (isEmptyCell(code)) continue;
    return code == pieceCode(colour, typeA) || code == pieceCode(colour, typeB);
  }
  return false;
}

}  // namespace

BruteBoard bruteFromPosition(const Position& pos) {
  BruteBoard b;
  for (int s = 0; s < 64; ++s) b.cell[s] = pos.board[s];
  return b;
}

bool bruteAttacks(const BruteBoard& b, int square, int colour) {
  int file = fileOf(square), rank = rankOf(square);
  int pawnRank = colour == WHITE ? rank - 1 : rank + 1;
  if (holds(b, file - 1, pawnRank, colour, PAWN) || holds(b, file + 1, pawnRank, colour, PAWN)) return true;
  static const int jumps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  for (const auto& j : jumps)
    if (holds(b, file + j[0], rank + j[1], colour, KNIGHT)) return true;
  for (int df = -1; df <= 1; ++df)
    for (int dr = -1; dr <= 1; ++dr) {
      if (!df && !dr) continue;
      if (holds(b, file + df, rank + dr, colour, KING)) return true;
      bool diagonal = df && dr;
      if (sliderSees(b, file, rank, df, dr, colour, diagonal ? BISHOP : ROOK, QUEEN)) return true;
    }
  return false;
}

bool bruteManAttacks(const BruteBoard& b, int from, int to) {
  // Keep only the one man; the others become blockers that attack nothing for its side.
  int colour = colourOfCode(b.cell[from]);
  BruteBoard single;
  for (int s = 0; s < 64; ++s) single.cell[s] = isEmptyCell(b.cell[s]) ? EMPTY_CELL : pieceCode(colour ^ 1, PAWN);
  single.cell[from] = b.cell[from];
  single.cell[to] = EMPTY_CELL;
  return bruteAttacks(single, to, colour);
}

Bitboard bruteAttackSet(const BruteBoard& b, int colour) {
  Bitboard set = 0;
  for (int s = 0; s < 64; ++s)
    if (bruteAttacks(b, s, colour)) set |= Bitboard{1} << s;
  return set;
}

int bruteKingSquare(const BruteBoard& b, int colour) {
  for (int s = 0; s < 64; ++s)
    if (b.cell[s] == pieceCode(colour, KING)) return s;
  return NO_SQUARE;
}

bool bruteInCheck(const BruteBoard& b, int colour) {
  int king = bruteKingSquare(b, colour);
  return king != NO_SQUARE && bruteAttacks(b, king, colour ^ 1);
}

BruteBoard bruteAfterMove(const BruteBoard& b, Move move) {
  BruteBoard after = b;
  int from = moveFrom(move), to = moveTo(move);
  int code = b.cell[from];
  int colour = colourOfCode(code);
  after.cell[from] = EMPTY_CELL;
  after.cell[to] = (move & FLAG_PROMOTION) ? pieceCode(colour, movePromotion(move)) : code;
  if (move & FLAG_EN_PASSANT) after.cell[colour == WHITE ? to - 8 : to + 8] = EMPTY_CELL;
  if (move & FLAG_CASTLE) {
    int rank = rankOf(from);
    bool shortSide = move & FLAG_CASTLE_SHORT;
    after.cell[makeSquare(shortSide ? 7 : 0, rank)] = EMPTY_CELL;
    after.cell[makeSquare(shortSide ? 5 : 3, rank)] = pieceCode(colour, ROOK);
  }
  return after;
}

std::string bruteToFen(const BruteBoard& b, int side) {
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      int code = b.cell[makeSquare(file, rank)];
      if (isEmptyCell(code)) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      char letter = PIECE_LETTERS[typeOfCode(code)];
      fen += colourOfCode(code) == WHITE ? letter : static_cast<char>(letter + 32);
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  return fen + (side == WHITE ? " w - -" : " b - -");
}

std::string randomFenOf(std::mt19937& rng, const std::string& men) {
  for (;;) {
    BruteBoard b;
    for (int& c : b.cell) c = EMPTY_CELL;
    for (char letter : "Kk" + men) {
      bool pawn = letter == 'P' || letter == 'p';
      int s;
      do s = static_cast<int>(rng() % 64);
      while (!isEmptyCell(b.cell[s]) || (pawn && (rankOf(s) == 0 || rankOf(s) == 7)));
      int colour = letter >= 'a' ? BLACK : WHITE;
      b.cell[s] = pieceCode(colour, pieceFromLetter(static_cast<char>(letter >= 'a' ? letter - 32 : letter)));
    }
    int side = static_cast<int>(rng() % 2);
    int whiteKing = bruteKingSquare(b, WHITE), blackKing = bruteKingSquare(b, BLACK);
    if (std::abs(fileOf(whiteKing) - fileOf(blackKing)) <= 1 && std::abs(rankOf(whiteKing) - rankOf(blackKing)) <= 1)
      continue;
    if (bruteInCheck(b, side ^ 1)) continue;
    return bruteToFen(b, side);
  }
}

std::string randomFen(std::mt19937& rng, int men) {
  static const char letters[] = "PNBRQpnbrq";
  std::string chosen;
  int count[2] = {0, 0}, pawns[2] = {0, 0};
  for (int i = 0; i < men; ++i) {
    char letter = letters[rng() % 10];
    int colour = letter >= 'a' ? BLACK : WHITE;
    bool pawn = letter == 'P' || letter == 'p';
    if (count[colour] == 15 || (pawn && pawns[colour] == 8)) continue;
    ++count[colour];
    pawns[colour] += pawn;
    chosen += letter;
  }
  return randomFenOf(rng, chosen);
}

Worker& setUp(const std::string& fen) {
  Worker& gamePosition = testEngine().gamePosition;
  EXPECT_TRUE(parseFen(gamePosition, fen.c_str())) << fen;
  gamePosition.ply = 0;
  const BruteBoard b = bruteFromPosition(gamePosition);
  for (int colour = 0; colour < 2; ++colour) gamePosition.attackMap[0][colour] = bruteAttackSet(b, colour);
  return gamePosition;
}

}  // namespace velt
