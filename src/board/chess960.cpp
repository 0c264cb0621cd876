#include "board/chess960.h"

#include <initializer_list>

namespace velt {

namespace {

constexpr int BISHOP_SQUARES = 4;  // of one colour on a rank
constexpr int QUEEN_CHOICES = 6;   // free files left after the bishops
// The knights' pair among the five files left after bishops and queen, by the last
// digit of the number.
constexpr int KNIGHT_PAIRS[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};

// Puts `type` on the index-th file still free (counted from the a-file).
void putOnFreeFile(int (&files)[8], int index, int type) {
  for (int& file : files) {
    if (file != NO_PIECE) continue;
    if (index-- == 0) {
      file = type;
      return;
    }
  }
}

}  // namespace

Placement chess960Placement(int number) {
  int files[8];
  for (int& file : files) file = NO_PIECE;
  // The light-squared bishop on b, d, f or h, then the dark-squared one on a, c, e or g.
  files[2 * (number % BISHOP_SQUARES) + 1] = BISHOP;
  number /= BISHOP_SQUARES;
  files[2 * (number % BISHOP_SQUARES)] = BISHOP;
  number /= BISHOP_SQUARES;
  putOnFreeFile(files, number % QUEEN_CHOICES, QUEEN);
  number /= QUEEN_CHOICES;
  // The second knight's index counts the first one's file as still free.
  putOnFreeFile(files, KNIGHT_PAIRS[number][1], KNIGHT);
  putOnFreeFile(files, KNIGHT_PAIRS[number][0], KNIGHT);
  // Rook, king, rook on the three files left: the king between the rooks.
  for (int type : {ROOK, KING, ROOK}) putOnFreeFile(files, 0, type);

  Placement placement;
  for (int square = 0; square < 64; ++square) {
    placement.type[square] = placement.colour[square] = NO_PIECE;
  }
  for (int file = 0; file < 8; ++file) {
    const int rows[4][2] = {{0, files[file]}, {1, PAWN}, {6, PAWN}, {7, files[file]}};
    for (const auto& [rank, type] : rows) {
      placement.type[makeSquare(file, rank)] = type;
      placement.colour[makeSquare(file, rank)] = rank < 4 ? WHITE : BLACK;
    }
  }
  return placement;
}

}  // namespace velt
