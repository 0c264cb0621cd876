// The position record: the board, how the game reached it, and what the move
// generators and the legality test keep per ply of a search line.
#pragma once

#include <cstdint>

#include "board/prefetch.h"
#include "board/types.h"

namespace velt {

// What make-move saves per game ply so that unmake can restore the position.
struct UndoRecord {
  Move move;
  int captured;      // type that stood on the destination, NO_PIECE if none
  int castleRights;  // values before the move
  int epSquare;
  int rule50;
  std::uint32_t materialKey;
  int evalAfter;  // evaluation of the position after the move
  int evalExtra;  // lazy-evaluation count of that position
  std::uint64_t hashKey;
  std::uint64_t pawnKey;
};

struct ScoredMove {
  Move move;
  int score;
};

constexpr int CHECK_NONE = 64;             // checkInfo value when not in check
constexpr std::uint32_t DOUBLE_CHECK = 0x80000000u;
inline bool inCheck(std::uint32_t checkInfoWord) { return (checkInfoWord & 0x40) == 0; }

// Where each side's castling rooks stand and which rights survive a move, set up
// with the position: the start position's, or those a FEN names. King and rooks may
// stand on any files of the back rank (Chess960); castling always ends with king and
// rook on the usual squares.
// The castling right of `colour` on a wing (0 king side, 1 queen side), a bit of
// castleRights.
constexpr int castlingRight(int colour, int wing) { return (1 << wing) << (2 * colour); }

struct CastlingSetup {
  // Per colour, the king-side [0] and queen-side [1] rook squares, -1 when none.
  int rookSquare[2][2];
  // Per square, the castling rights that survive a move from or to it.
  int mask[64];
  // Per colour and wing, the squares that must be empty apart from the king and
  // that rook: those both pass over or land on.
  Bitboard emptyPath[2][2];
  // Per colour and wing, the squares the king passes over or lands on, its own
  // square excluded: none of them may be attacked.
  Bitboard kingPath[2][2];
};

// The board: placement, bitboards, keys, counters and castling set-up. Everything a
// position is, without the way it was reached.
struct Board {
  int board[128];  // cells 64..127 stay empty so square 64 reads as empty
  int side;
  int xside;
  int castleRights;  // 1 white O-O, 2 white O-O-O, 4 black O-O, 8 black O-O-O
  int epSquare;      // -1 when none
  int rule50;
  int pieceCount[2][6];
  int menCount;
  int pieceMaterial[2];  // knights, bishops, rooks and queens
  std::uint32_t materialKey;

  Bitboard occupied;
  Bitboard occupiedFile;
  Bitboard occupiedDiagA1H8;
  Bitboard occupiedDiagH1A8;
  Bitboard colourBB[2];
  Bitboard pieceBB[2][6];

  std::uint8_t pawnRanks[2][10];  // per file + 1: bit r set when a pawn stands on rank r
  int kingSquare[2];

  std::uint64_t hashKey;
  std::uint64_t pawnKey;

  CastlingSetup castling;
};

// A board with the record of how it was reached (the undo records and check
// information per game ply) and what the generators and the legality test use per
// ply of the line being searched: the attack maps, the killer moves and the lists of
// generated moves.
struct Position : Board {
  int ply;      // of the line below the root
  int gamePly;  // of the game, set-up position 0

  UndoRecord undo[MAX_GAME_PLY];
  std::uint32_t checkInfo[MAX_GAME_PLY];

  Bitboard attackMap[MAX_PLY][2];  // filled by the evaluation for each search ply
  Move killers[MAX_PLY][3];
  ScoredMove moveList[MOVE_STACK_SIZE];
  int listStart[MAX_PLY + 1];
  // The generators add the bishop under-promotions (analysis, perft, the list of
  // legal moves); the search otherwise leaves them out.
  bool bishopPromotions = false;
  // Where make-move warms up the hash entry of the position it reaches.
  PrefetchTarget prefetch;
};

// The men of a position to set up: type and colour per square, NO_PIECE when empty.
struct Placement {
  int type[64];
  int colour[64];
};
extern const Placement START_PLACEMENT;

// Piece values by type (pawn .. king).
inline constexpr int pieceValue[6] = {100, 300, 300, 500, 1000, 15000};
// Summed over all men these give materialKey: the low 24 bits are a mixed-radix
// material index (queens 1/3, rooks 9/27, bishops 81/243, knights 729/2187, pawns
// 6561/59049 for white/black), the top byte the signed balance in pawn units.
inline constexpr std::uint32_t materialSignature[2][6] = {
    {0x010019A1u, 0x030002D9u, 0x03000051u, 0x05000009u, 0x0A000001u, 0},
    {0xFF00E6A9u, 0xFD00088Bu, 0xFD0000F3u, 0xFB00001Bu, 0xF6000003u, 0},
};

// Piece letters by type; black men print in lower case.
constexpr char PIECE_LETTERS[] = "PNBRQK";

// Type of an upper-case piece letter: N 1, B 2, R 3, Q 4, K 5, anything else 0.
int pieceFromLetter(char upperLetter);
// Sets pos up with the men of `placement`: white to move, all castling rights.
void setUpPosition(Position& pos, const Placement& placement = START_PLACEMENT);
// Sets pos up from a FEN text (see fen.cpp). Returns false, changing nothing, when
// the text does not describe a usable position.
bool parseFen(Position& pos, const char* text);
// Fills the castling masks and paths from the king squares and the castling rook
// squares.
void buildCastleMasks(Position& pos);
// The checkInfo word for the side to move: CHECK_NONE, or a checker's square with
// DOUBLE_CHECK added when two or more men give check.
std::uint32_t computeCheckInfo(const Position& pos);
// A man of byColour attacking square (pawns, knights, then sliders, then the king),
// or NO_SQUARE.
int findChecker(const Position& pos, int square, int byColour);
int countAttackers(const Position& pos, int square, int byColour);

}  // namespace velt
