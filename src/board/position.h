// The board-and-search state record. One instance holds the game; every search
// thread works on its own copy, so everything a search touches per ply lives here.
#pragma once

#include <cstdint>

#include "board/types.h"

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

struct Position {
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
  Bitboard attackMap[MAX_PLY][2];  // filled by the evaluation for each search ply

  std::uint8_t pawnRanks[2][10];  // per file + 1: bit r set when a pawn stands on rank r
  int kingSquare[2];

  std::uint64_t hashKey;
  std::uint64_t pawnKey;

  int ply;
  int gamePly;
  std::uint32_t nodes;
  int threadIndex;  // selects the thread's pawn hash table

  Move killers[MAX_PLY][3];
  int plyEval[MAX_PLY];

  ScoredMove moveList[MOVE_STACK_SIZE];
  int listStart[MAX_PLY + 1];

  UndoRecord undo[MAX_GAME_PLY];
  std::uint32_t checkInfo[MAX_GAME_PLY];

  Move pv[MAX_PLY][MAX_PLY];
  int pvLength[MAX_PLY];
};

// The game position, owned by the main thread.
extern Position gamePosition;

// Set-up arrays: the standard start position except while a FEN is being parsed.
extern int setupTypes[64];
extern int setupColours[64];
// Per colour, the king-side [0] and queen-side [1] rook squares, -1 when none.
extern int castleRookSquare[2][2];
// Per square, the castling rights that survive a move from or to it.
extern int castleMask[64];

extern const int pieceValue[6];
extern const std::uint32_t materialSignature[2][6];

int pieceFromLetter(char upperLetter);
void setUpPosition();
// Returns false, leaving the position untouched, when the placement is malformed.
bool parseFen(const char* text);
void buildCastleMasks(Position& pos);
std::uint32_t computeCheckInfo(const Position& pos);
int findChecker(const Position& pos, int square, int byColour);
int countAttackers(const Position& pos, int square, int byColour);
void newGame(bool clearTables);
void printBoard();
