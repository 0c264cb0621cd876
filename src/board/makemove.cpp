#include "board/makemove.h"

#include <bit>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/prefetch.h"

namespace velt {

namespace {

constexpr Move IRREVERSIBLE_FLAGS = FLAG_PAWN_MOVE | FLAG_CAPTURE | FLAG_CASTLE;

inline Bitboard bit(int square) { return Bitboard{1} << square; }
inline std::uint64_t manKey(int colour, int type, int square) { return pieceSquareKey[colour * 6 + type][square]; }
inline int forward(int colour) { return colour == WHITE ? 8 : -8; }

inline void setOccupancy(Position& pos, int square) {
  pos.occupied |= squareBit[square];
  pos.occupiedFile |= fileBit[square];
  pos.occupiedDiagA1H8 |= diagA1H8Bit[square];
  pos.occupiedDiagH1A8 |= diagH1A8Bit[square];
}

inline void clearOccupancy(Position& pos, int square) {
  pos.occupied &= squareClear[square];
  pos.occupiedFile &= fileClear[square];
  pos.occupiedDiagA1H8 &= diagA1H8Clear[square];
  pos.occupiedDiagH1A8 &= diagH1A8Clear[square];
}

// Board cell and bitboards only; keys and counters are the callers' business.
inline void placeMan(Position& pos, int colour, int type, int square) {
  pos.board[square] = pieceCode(colour, type);
  pos.colourBB[colour] |= squareBit[square];
  pos.pieceBB[colour][type] |= squareBit[square];
  setOccupancy(pos, square);
}

inline void removeMan(Position& pos, int colour, int type, int square) {
  pos.board[square] = EMPTY_CELL;
  pos.colourBB[colour] &= squareClear[square];
  pos.pieceBB[colour][type] &= squareClear[square];
  clearOccupancy(pos, square);
}

// Moves a man; safe when from == to (a king castling onto its own square).
inline void shiftMan(Position& pos, int colour, int type, int from, int to) {
  const Bitboard both = squareBit[from] ^ squareBit[to];
  pos.board[from] = EMPTY_CELL;
  pos.board[to] = pieceCode(colour, type);
  pos.colourBB[colour] ^= both;
  pos.pieceBB[colour][type] ^= both;
  clearOccupancy(pos, from);
  setOccupancy(pos, to);
}

inline void setPawnRank(Position& pos, int colour, int square) {
  pos.pawnRanks[colour][fileOf(square) + 1] |= static_cast<std::uint8_t>(1 << rankOf(square));
}

inline void clearPawnRank(Position& pos, int colour, int square) {
  pos.pawnRanks[colour][fileOf(square) + 1] &= static_cast<std::uint8_t>(~(1 << rankOf(square)));
}

// Counters of a man leaving or joining the board (kings never do).
inline void countMan(Position& pos, int colour, int type, int sign) {
  pos.pieceCount[colour][type] += sign;
  pos.menCount += sign;
  pos.materialKey += sign * materialSignature[colour][type];
  if (type != PAWN) pos.pieceMaterial[colour] += sign * pieceValue[type];
}

template <int C>
bool doBeginMove(Position& pos, Move move) {
  constexpr int T = C ^ 1;
  const int from = moveFrom(move), to = moveTo(move);
  UndoRecord& undo = pos.undo[pos.gamePly];
  undo.hashKey = pos.hashKey;
  undo.pawnKey = pos.pawnKey;

  const bool castling = move & FLAG_CASTLE;
  int rookFrom = NO_SQUARE, rookTo = NO_SQUARE;
  if (castling) {
    if (inCheck(pos.checkInfo[pos.gamePly]) || castlingPathAttacked(pos, move)) return false;
    // The rook is lifted first and put down after the king, so that king and rook
    // may exchange squares.
    const bool kingSide = move & FLAG_CASTLE_SHORT;
    rookFrom = pos.castling.rookSquare[C][kingSide ? 0 : 1];
    rookTo = castleRookTarget(C, kingSide);
    removeMan(pos, C, ROOK, rookFrom);
    pos.hashKey ^= manKey(C, ROOK, rookFrom) ^ manKey(C, ROOK, rookTo);
  }

  undo.move = move;
  // The king's castling square may hold the king itself.
  undo.captured = castling ? NO_PIECE : typeOfCode(pos.board[to]);
  undo.castleRights = pos.castleRights;
  undo.epSquare = pos.epSquare;
  undo.rule50 = pos.rule50;
  undo.materialKey = pos.materialKey;
  ++pos.ply;
  ++pos.gamePly;

  pos.rule50 = (move & IRREVERSIBLE_FLAGS) ? 0 : pos.rule50 + 1;
  if (pos.epSquare >= 0) {
    pos.hashKey ^= epKey[pos.epSquare];
    pos.epSquare = -1;
  }
  const int rights = pos.castleRights & pos.castling.mask[from] & pos.castling.mask[to];
  if (rights != pos.castleRights) {
    pos.hashKey ^= castleKey[pos.castleRights] ^ castleKey[rights];
    pos.castleRights = rights;
  }

  if (move & FLAG_EN_PASSANT) {
    const int square = to - forward(C);
    removeMan(pos, T, PAWN, square);
    pos.hashKey ^= manKey(T, PAWN, square);
    pos.pawnKey ^= manKey(T, PAWN, square);
    clearPawnRank(pos, T, square);
    countMan(pos, T, PAWN, -1);
  } else if (move & FLAG_CAPTURE) {
    const int type = undo.captured;
    pos.hashKey ^= manKey(T, type, to);
    pos.colourBB[T] &= squareClear[to];
    pos.pieceBB[T][type] &= squareClear[to];
    if (type == PAWN) {
      pos.pawnKey ^= manKey(T, PAWN, to);
      clearPawnRank(pos, T, to);
    }
    countMan(pos, T, type, -1);
  }

  const int type = typeOfCode(pos.board[from]);
  if (type == PAWN) {
    const std::uint64_t fromKey = manKey(C, PAWN, from);
    clearPawnRank(pos, C, from);
    if (move & FLAG_PROMOTION) {
      const int promoted = movePromotion(move);
      removeMan(pos, C, PAWN, from);
      pos.hashKey ^= fromKey ^ manKey(C, promoted, to);
      pos.pawnKey ^= fromKey;
      countMan(pos, C, PAWN, -1);
      placeMan(pos, C, promoted, to);
      countMan(pos, C, promoted, 1);
    } else {
      shiftMan(pos, C, PAWN, from, to);
      setPawnRank(pos, C, to);
      const std::uint64_t keys = fromKey ^ manKey(C, PAWN, to);
      pos.hashKey ^= keys;
      pos.pawnKey ^= keys;
      if (move & FLAG_DOUBLE_STEP) {
        const int rank = 1 << rankOf(to);
        if ((pos.pawnRanks[T][fileOf(to)] | pos.pawnRanks[T][fileOf(to) + 2]) & rank) {
          pos.epSquare = to - forward(C);
          pos.hashKey ^= epKey[pos.epSquare];
        }
      }
    }
  } else {
    if (type == KING) pos.kingSquare[C] = to;
    shiftMan(pos, C, type, from, to);
    pos.hashKey ^= manKey(C, type, from) ^ manKey(C, type, to);
  }
  if (castling) placeMan(pos, C, ROOK, rookTo);

  pos.side = T;
  pos.xside = C;
  pos.hashKey ^= sideKey;
  // The child probes the table next: start loading its bucket while it is evaluated.
  prefetchForKey(pos.prefetch, pos.hashKey);
  return true;
}

template <int C>
void doUnmakeMove(Position& pos, const UndoRecord& undo) {
  constexpr int T = C ^ 1;
  const Move move = undo.move;
  const int from = moveFrom(move), to = moveTo(move);
  pos.castleRights = undo.castleRights;
  pos.materialKey = undo.materialKey;
  pos.hashKey = undo.hashKey;
  pos.pawnKey = undo.pawnKey;

  const bool castling = move & FLAG_CASTLE;
  const bool kingSide = move & FLAG_CASTLE_SHORT;
  if (castling) removeMan(pos, C, ROOK, castleRookTarget(C, kingSide));

  if (move & FLAG_PROMOTION) {
    const int promoted = movePromotion(move);
    removeMan(pos, C, promoted, to);
    --pos.pieceCount[C][promoted];
    pos.pieceMaterial[C] -= pieceValue[promoted];
    placeMan(pos, C, PAWN, from);
    ++pos.pieceCount[C][PAWN];
    setPawnRank(pos, C, from);
  } else {
    const int type = typeOfCode(pos.board[to]);
    shiftMan(pos, C, type, to, from);
    if (type == PAWN) {
      clearPawnRank(pos, C, to);
      setPawnRank(pos, C, from);
    } else if (type == KING) {
      pos.kingSquare[C] = from;
    }
  }
  if (castling) placeMan(pos, C, ROOK, pos.castling.rookSquare[C][kingSide ? 0 : 1]);

  if (move & FLAG_CAPTURE) {
    const int square = (move & FLAG_EN_PASSANT) ? to - forward(C) : to;
    const int type = undo.captured == NO_PIECE ? PAWN : undo.captured;
    placeMan(pos, T, type, square);
    ++pos.pieceCount[T][type];
    ++pos.menCount;
    if (type == PAWN) {
      setPawnRank(pos, T, square);
    } else {
      pos.pieceMaterial[T] += pieceValue[type];
    }
  }
}

}  // namespace

bool isSquareAttacked(const Position& pos, int square, int byColour) {
  const Bitboard* men = pos.pieceBB[byColour];
  return (pawnAttackers[byColour][square] & men[PAWN]) || (knightAttacks[square] & men[KNIGHT]) ||
         (kingAttacks[square] & men[KING]) || (bishopAttacks(pos, square) & (men[BISHOP] | men[QUEEN])) ||
         (rookAttacks(pos, square) & (men[ROOK] | men[QUEEN]));
}

bool beginMove(Position& pos, Move move) {
  return pos.side == WHITE ? doBeginMove<WHITE>(pos, move) : doBeginMove<BLACK>(pos, move);
}

bool completeMove(Position& pos, bool rejectExposedKing) {
  const int mover = pos.xside, opponent = pos.side;
  const Bitboard* maps = pos.attackMap[pos.ply];
  if (rejectExposedKing && (maps[opponent] & bit(pos.kingSquare[mover]))) {
    unmakeMove(pos);
    return false;
  }
  const Move move = pos.undo[pos.gamePly - 1].move;
  pos.checkInfo[pos.gamePly] =
      (maps[mover] & bit(pos.kingSquare[opponent])) ? checkInfoAfterMove(pos, move) : CHECK_NONE;
  return true;
}

void unmakeMove(Position& pos) {
  const int mover = pos.xside;
  pos.side = mover;
  pos.xside = mover ^ 1;
  --pos.ply;
  --pos.gamePly;
  const UndoRecord& undo = pos.undo[pos.gamePly];
  pos.epSquare = undo.epSquare;
  pos.rule50 = undo.rule50;
  if (undo.move == MOVE_NONE) {
    pos.hashKey ^= sideKey;
    if (pos.epSquare >= 0) pos.hashKey ^= epKey[pos.epSquare];
    return;
  }
  if (mover == WHITE) {
    doUnmakeMove<WHITE>(pos, undo);
  } else {
    doUnmakeMove<BLACK>(pos, undo);
  }
}

int repetitionCount(const Position& pos) {
  const int rule50 = pos.rule50;
  if (rule50 < 4) return 0;
  const int oldest = pos.gamePly - rule50 > 0 ? pos.gamePly - rule50 : 0;
  const auto current = static_cast<std::uint32_t>(pos.hashKey);
  int count = 0;
  for (int index = pos.gamePly - 4; index >= oldest; index -= 2) {
    if (static_cast<std::uint32_t>(pos.undo[index].hashKey) == current) ++count;
  }
  return count;
}

bool castlingPathAttacked(const Position& pos, Move move) {
  const int colour = pos.side;
  for (Bitboard path = pos.castling.kingPath[colour][(move & FLAG_CASTLE_SHORT) ? 0 : 1]; path; path &= path - 1) {
    if (isSquareAttacked(pos, std::countr_zero(path), colour ^ 1)) return true;
  }
  return false;
}

std::uint32_t checkInfoAfterMove(const Position& pos, Move move) {
  const int by = pos.xside;
  const int king = pos.kingSquare[pos.side];
  const Bitboard* men = pos.pieceBB[by];
  const std::uint32_t doubleCheck = static_cast<std::uint32_t>(moveTo(move)) | DOUBLE_CHECK;
  std::uint32_t result = CHECK_NONE;
  const Bitboard groups[4] = {pawnAttackers[by][king] & men[PAWN], knightAttacks[king] & men[KNIGHT],
                              rookAttacks(pos, king) & (men[ROOK] | men[QUEEN]),
                              bishopAttacks(pos, king) & (men[BISHOP] | men[QUEEN])};
  for (const Bitboard checkers : groups) {
    if (!checkers) continue;
    if (result != CHECK_NONE || std::popcount(checkers) > 1) return doubleCheck;
    result = static_cast<std::uint32_t>(std::countr_zero(checkers));
  }
  return result;
}

}  // namespace velt
