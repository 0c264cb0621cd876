// Basic chess types shared by every subsystem: squares, colours, piece codes,
// bitboards and the 32-bit move word.
#pragma once

#include <cstdint>

namespace velt {

using Bitboard = std::uint64_t;
using Move = std::uint32_t;

// Squares a1 = 0 ... h8 = 63 (file + 8 * rank); 64 means "no square".
constexpr int NO_SQUARE = 64;
constexpr int A1 = 0, B1 = 1, C1 = 2, D1 = 3, E1 = 4, F1 = 5, G1 = 6, H1 = 7;
constexpr int A8 = 56, B8 = 57, C8 = 58, D8 = 59, E8 = 60, F8 = 61, G8 = 62, H8 = 63;

constexpr int fileOf(int square) { return square & 7; }
constexpr int rankOf(int square) { return square >> 3; }
constexpr int makeSquare(int file, int rank) { return file + 8 * rank; }

// Edge files and the first rank as bitboards.
constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard FILE_H = FILE_A << 7;
constexpr Bitboard RANK_1 = 0xFFULL;

// Where king and rook of `colour` stand after castling on the king or queen side.
constexpr int castleKingTarget(int colour, bool kingSide) { return (kingSide ? G1 : C1) + 56 * colour; }
constexpr int castleRookTarget(int colour, bool kingSide) { return (kingSide ? F1 : D1) + 56 * colour; }

constexpr int WHITE = 0, BLACK = 1;

// Piece types; a board cell holds type | colour << 4, EMPTY_CELL when empty.
constexpr int PAWN = 0, KNIGHT = 1, BISHOP = 2, ROOK = 3, QUEEN = 4, KING = 5, NO_PIECE = 6;
constexpr int EMPTY_CELL = 0x66;

constexpr int pieceCode(int colour, int type) { return type | colour << 4; }
constexpr int typeOfCode(int code) { return code & 15; }
constexpr int colourOfCode(int code) { return code >> 4; }
constexpr bool isEmptyCell(int code) { return (code & ~15) == 0x60; }

// Move word: from bits 0-5, to bits 6-11, promotion type bits 16-18, then flags.
constexpr Move MOVE_NONE = 0;
constexpr Move FLAG_CASTLE_LONG = 0x400000;
constexpr Move FLAG_CASTLE_SHORT = 0x800000;
constexpr Move FLAG_CASTLE = FLAG_CASTLE_LONG | FLAG_CASTLE_SHORT;
constexpr Move FLAG_CAPTURE = 0x1000000;
constexpr Move FLAG_PROMOTION = 0x2000000;
constexpr Move FLAG_EN_PASSANT = 0x4000000;
constexpr Move FLAG_DOUBLE_STEP = 0x8000000;
constexpr Move FLAG_PAWN_MOVE = 0x10000000;

constexpr int moveFrom(Move move) { return move & 0x3F; }
constexpr int moveTo(Move move) { return (move >> 6) & 0x3F; }
constexpr int movePromotion(Move move) { return (move >> 16) & 7; }
constexpr Move makeMoveWord(int from, int to, Move flags) {
  return static_cast<Move>(from) | static_cast<Move>(to) << 6 | flags;
}

// Scores: 30000 is mate; a side mated at ply p scores p - 30000.
constexpr int MATE_SCORE = 30000;
constexpr int MATE_BOUND = 29000;

// Fixed sizes of the per-ply and per-game storage.
constexpr int MAX_PLY = 64;
constexpr int MAX_GAME_PLY = 800;
constexpr int MOVE_STACK_SIZE = 3072;

}  // namespace velt
