// Setting a position up from a placement, castling masks and check status.
#include "board/position.h"

#include "board/attacks.h"

namespace velt {

const Placement START_PLACEMENT = {
    {
        ROOK,     KNIGHT,   BISHOP,   QUEEN,    KING,     BISHOP,   KNIGHT,   ROOK,
        PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,     PAWN,
        ROOK,     KNIGHT,   BISHOP,   QUEEN,    KING,     BISHOP,   KNIGHT,   ROOK,
    },
    {
        WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,
        WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,    WHITE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE, NO_PIECE,
        BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,
        BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,    BLACK,
    },
};

int pieceFromLetter(char upperLetter) {
  switch (upperLetter) {
    case 'N': return KNIGHT;
    case 'B': return BISHOP;
    case 'R': return ROOK;
    case 'Q': return QUEEN;
    case 'K': return KING;
    default: return PAWN;
  }
}

namespace {

void clearPosition(Position& pos) {
  for (int& cell : pos.board) cell = EMPTY_CELL;
  pos.hashKey = pos.pawnKey = sideKey;
  pos.menCount = 0;
  pos.materialKey = 0;
  pos.occupied = pos.occupiedFile = pos.occupiedDiagA1H8 = pos.occupiedDiagH1A8 = 0;
  for (int c = 0; c < 2; ++c) {
    pos.pieceMaterial[c] = 0;
    pos.colourBB[c] = 0;
    pos.kingSquare[c] = NO_SQUARE;
    for (int t = 0; t < 6; ++t) {
      pos.pieceCount[c][t] = 0;
      pos.pieceBB[c][t] = 0;
    }
    for (std::uint8_t& ranks : pos.pawnRanks[c]) ranks = 0;
  }
}

void placeMan(Position& pos, int colour, int type, int square) {
  pos.board[square] = pieceCode(colour, type);
  std::uint64_t key = pieceSquareKey[colour * 6 + type][square];
  pos.hashKey ^= key;
  if (type == PAWN) {
    pos.pawnRanks[colour][fileOf(square) + 1] |= static_cast<std::uint8_t>(1 << rankOf(square));
    pos.pawnKey ^= key;
  } else if (type == KING) {
    pos.kingSquare[colour] = square;
  } else {
    pos.pieceMaterial[colour] += pieceValue[type];
  }
  pos.materialKey += materialSignature[colour][type];
  ++pos.pieceCount[colour][type];
  ++pos.menCount;
  pos.colourBB[colour] |= squareBit[square];
  pos.pieceBB[colour][type] |= squareBit[square];
  pos.occupied |= squareBit[square];
  pos.occupiedFile |= fileBit[square];
  pos.occupiedDiagA1H8 |= diagA1H8Bit[square];
  pos.occupiedDiagH1A8 |= diagH1A8Bit[square];
}

// The outermost rook on each side of the king on its own back rank: the rook that
// KQkq name.
void findCastleRooks(Position& pos) {
  int(&rookSquare)[2][2] = pos.castling.rookSquare;
  for (int c = 0; c < 2; ++c) {
    rookSquare[c][0] = rookSquare[c][1] = -1;
    for (int file = 0; file < 8; ++file) {
      int square = makeSquare(file, c == WHITE ? 0 : 7);
      if (pos.board[square] != pieceCode(c, ROOK)) continue;
      if (square > pos.kingSquare[c]) {
        rookSquare[c][0] = square;
      } else if (rookSquare[c][1] < 0) {
        rookSquare[c][1] = square;
      }
    }
  }
}

// The squares from `a` to `b` on one rank, both included.
Bitboard rankSpan(int a, int b) {
  const int low = a < b ? a : b, high = a < b ? b : a;
  return (~Bitboard{0} >> (63 - high)) & (~Bitboard{0} << low);
}

// All men of byColour that attack square.
Bitboard attackersOf(const Position& pos, int square, int byColour) {
  const Bitboard* men = pos.pieceBB[byColour];
  return (pawnAttackers[byColour][square] & men[PAWN]) | (knightAttacks[square] & men[KNIGHT]) |
         (rookAttacks(pos, square) & (men[ROOK] | men[QUEEN])) |
         (bishopAttacks(pos, square) & (men[BISHOP] | men[QUEEN])) | (kingAttacks[square] & men[KING]);
}

}  // namespace

void setUpPosition(Position& pos, const Placement& placement) {
  clearPosition(pos);
  for (int square = 0; square < 64; ++square) {
    if (placement.type[square] != NO_PIECE) placeMan(pos, placement.colour[square], placement.type[square], square);
  }
  findCastleRooks(pos);
  pos.side = WHITE;
  pos.xside = BLACK;
  pos.castleRights = 15;
  buildCastleMasks(pos);
  pos.hashKey ^= castleKey[pos.castleRights];
  pos.rule50 = 0;
  pos.ply = 0;
  pos.gamePly = 0;
  pos.listStart[0] = 0;
  pos.epSquare = -1;
  pos.checkInfo[0] = computeCheckInfo(pos);
}

void buildCastleMasks(Position& pos) {
  CastlingSetup& castling = pos.castling;
  for (int& mask : castling.mask) mask = 15;
  // Each colour's king square clears both of its rights, each rook square its own.
  for (int c = 0; c < 2; ++c) {
    const int king = pos.kingSquare[c];
    if (king != NO_SQUARE) castling.mask[king] &= ~(castlingRight(c, 0) | castlingRight(c, 1));
    for (int wing = 0; wing < 2; ++wing) {
      const int rook = castling.rookSquare[c][wing];
      castling.emptyPath[c][wing] = castling.kingPath[c][wing] = 0;
      if (rook < 0 || king == NO_SQUARE) continue;
      castling.mask[rook] &= ~castlingRight(c, wing);
      const int kingTarget = castleKingTarget(c, wing == 0), rookTarget = castleRookTarget(c, wing == 0);
      const Bitboard ends = squareBit[king] | squareBit[rook];
      castling.emptyPath[c][wing] = (rankSpan(king, kingTarget) | rankSpan(rook, rookTarget)) & ~ends;
      castling.kingPath[c][wing] = rankSpan(king, kingTarget) & ~squareBit[king];
    }
  }
}

int findChecker(const Position& pos, int square, int byColour) {
  const Bitboard* men = pos.pieceBB[byColour];
  Bitboard found = pawnAttackers[byColour][square] & men[PAWN];
  if (found) return lowestSquare(found);
  found = knightAttacks[square] & men[KNIGHT];
  if (found) return lowestSquare(found);
  found = (rookAttacks(pos, square) & (men[ROOK] | men[QUEEN])) |
          (bishopAttacks(pos, square) & (men[BISHOP] | men[QUEEN]));
  if (found) return highestSquare(found);
  return lowestSquare(kingAttacks[square] & men[KING]);
}

int countAttackers(const Position& pos, int square, int byColour) {
  return popCount(attackersOf(pos, square, byColour));
}

std::uint32_t computeCheckInfo(const Position& pos) {
  int king = pos.kingSquare[pos.side];
  int checker = findChecker(pos, king, pos.xside);
  if (checker == NO_SQUARE) return CHECK_NONE;
  std::uint32_t info = static_cast<std::uint32_t>(checker);
  if (countAttackers(pos, king, pos.xside) > 1) info |= DOUBLE_CHECK;
  return info;
}

}  // namespace velt
