// Tablebase material classes and the numbering of their positions: each file of a
// class is a flat array with one entry per index computed here. The board is reduced
// by its symmetries (eight for pawnless classes, the file mirror with pawns), the two
// kings form one pair number, the men of the side to move are numbered over the
// squares from which they do not attack the other king, and the other men over the
// squares still free. Positions with an en-passant capture get their own range after
// the normal ones.
#pragma once

#include <cstdint>

namespace velt {

// Tablebase piece kinds, in the order of the letters of the class names.
constexpr int TB_PAWN = 1, TB_KNIGHT = 2, TB_BISHOP = 3, TB_ROOK = 4, TB_QUEEN = 5;
constexpr char TB_KIND_LETTERS[] = " pnbrq";

constexpr int TB_CLASS_COUNT = 111;    // "kk" and the classes of three to five men
constexpr int TB_MAX_SIDE_MEN = 2;     // men besides the king on one side of a class
constexpr int TB_SYMMETRIC = 1;        // class flag: one file serves both sides to move
constexpr int TB_NO_EP = 127;          // en-passant argument when there is none
constexpr int TB_KING_SLOT = 15;       // slot of the king in a piece list
constexpr std::uint32_t TB_NO_INDEX = 0xFFFFFFFFu;

// Piece lists of one position in the class's terms: side 0 is the class's first side
// (the file's "white"). Kind k uses slots 3(k - 1) .. 3(k - 1) + 2 in ascending
// square order; the king stands in slot 15.
struct TablebasePieceLists {
  int square[2][16];
};

struct TablebaseClassInfo {
  char name[9];
  int flags;
  int menCount[2];                  // men besides the king, first side and second side
  int kinds[2][TB_MAX_SIDE_MEN];    // their kinds, the higher first as in the name
  std::uint32_t positionCount[2];   // entries of the white-to-move and black-to-move files
};

// Builds the class table and the index tables (idempotent, once per run).
void initTablebaseIndex();
const TablebaseClassInfo& tablebaseClass(int classNumber);
// The class number of a name such as "krpk", or -1.
int tablebaseClassByName(const char* name);
// Signed class of ten men counts (pawns .. queens of white, then of black): +class
// when white holds the class's first side, -class when black does, 0 for none.
int tablebaseClassOfCounts(const int counts[10]);

// Index of a position in the file of (class, side to move in the class's terms).
// `inverted` says that the colours were exchanged to fit the class (pawn classes then
// mirror the ranks). TB_NO_INDEX when the men cannot stand so (e.g. kings adjacent).
std::uint32_t tablebaseIndex(int classNumber, int side, const TablebasePieceLists& lists, int epSquare,
                             bool inverted);
// The inverse for the generator and the tests: the men of entry `index` (class terms,
// first side moving up the board) and its en-passant square (TB_NO_EP when none).
// False when the number holds no position; a true result may still describe an
// illegal or duplicate placement, which re-encoding to a different index reveals.
bool tablebasePosition(int classNumber, int side, std::uint32_t index, TablebasePieceLists& lists,
                       int& epSquare);

// Where a position lives: class, side to move in the class's terms, and index.
struct TablebaseEntry {
  int classNumber;
  int side;
  std::uint32_t index;
};
// Finds the entry of a position given by colour (side 0 white; unused slots hold a
// square of 64 or more), with the colours exchanged when black holds the class's
// first side or when a symmetric class has black to move. False when no class fits.
bool locateTablebaseEntry(const TablebasePieceLists& byColour, int sideToMove, int epSquare,
                          TablebaseEntry& entry);

}  // namespace velt
