// Reading and writing FEN texts.
//
// parseFen accepts only positions the engine can play from: eight ranks of eight
// squares separated by "/", the letters PNBRQK in either case, exactly one king a
// side, at most 8 pawns and 16 men a side, no pawn on the first or last rank, and
// the side not to move not in check. An en-passant square is kept only when a
// double step can have just passed over it, a castling right only when its king
// stands on the back rank and its rook on its square. The castling field may be
// X-FEN or Shredder-FEN; positionToFen writes X-FEN. The halfmove and move
// counters are not read: the position starts with rule50 0.
#include "board/fen.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "board/bitboard.h"

namespace velt {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* skipBlanks(const char* p) {
  while (isBlank(*p)) ++p;
  return p;
}

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
char toUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Piece type of a letter of either case, -1 for anything else.
int letterType(char c) {
  char upper = toUpper(c);
  const char* hit = upper ? std::strchr(PIECE_LETTERS, upper) : nullptr;
  return hit ? pieceFromLetter(upper) : -1;
}

// Reads the placement field, leaving p after it.
bool readPlacement(const char*& p, Placement& placement) {
  for (int rank = 7; rank >= 0; --rank) {
    if (rank != 7 && *p++ != '/') return false;
    int file = 0;
    while (file < 8) {
      char c = *p++;
      if (c >= '1' && c <= '8') {
        int run = c - '0';
        if (file + run > 8) return false;
        for (; run > 0; --run, ++file) {
          placement.type[makeSquare(file, rank)] = NO_PIECE;
          placement.colour[makeSquare(file, rank)] = NO_PIECE;
        }
        continue;
      }
      int type = letterType(c);
      if (type < 0) return false;
      placement.type[makeSquare(file, rank)] = type;
      placement.colour[makeSquare(file, rank)] = isUpper(c) ? WHITE : BLACK;
      ++file;
    }
  }
  return *p == '\0' || isBlank(*p);
}

// Material the engine's tables can hold: one king, at most 8 pawns and 16 men a
// side, and no pawn where it could never have moved from or could not move to.
bool isPlayable(const Placement& placement) {
  int kings[2] = {0, 0}, pawns[2] = {0, 0}, men[2] = {0, 0};
  for (int square = 0; square < 64; ++square) {
    int type = placement.type[square], colour = placement.colour[square];
    if (type == NO_PIECE) continue;
    ++men[colour];
    if (type == KING) ++kings[colour];
    if (type != PAWN) continue;
    ++pawns[colour];
    if (rankOf(square) == 0 || rankOf(square) == 7) return false;
  }
  for (int c = 0; c < 2; ++c) {
    if (kings[c] != 1 || pawns[c] > 8 || men[c] > 16) return false;
  }
  return true;
}

// Castling letters, X-FEN and Shredder-FEN alike: K and Q (k and q for black) grant
// the right with the outermost rook on that side of the king; a file letter, upper
// case for white, grants it with the rook on that file of the back rank.
const char* readCastling(Position& pos, const char* p) {
  pos.hashKey ^= castleKey[pos.castleRights];
  pos.castleRights = 0;
  for (;; ++p) {
    const char c = *p, upper = toUpper(c);
    const int colour = isUpper(c) ? WHITE : BLACK;
    int wing;
    if (upper == 'K' || upper == 'Q') {
      wing = upper == 'K' ? 0 : 1;
    } else if (upper >= 'A' && upper <= 'H') {
      const int square = makeSquare(upper - 'A', colour == WHITE ? 0 : 7);
      wing = square > pos.kingSquare[colour] ? 0 : 1;
      pos.castling.rookSquare[colour][wing] = square;
    } else {
      break;
    }
    pos.castleRights |= castlingRight(colour, wing);
  }
  buildCastleMasks(pos);
  pos.hashKey ^= castleKey[pos.castleRights];
  return p;
}

// The X-FEN letter of a castling right: K or Q when its rook is the outermost on
// that side of the king, else the rook's file; lower case for black.
char castlingLetter(const Position& pos, int colour, int wing) {
  const int rook = pos.castling.rookSquare[colour][wing];
  const int step = wing == 0 ? 1 : -1;
  bool outermost = true;
  for (int file = fileOf(rook) + step; file >= 0 && file < 8; file += step) {
    outermost = outermost && pos.board[makeSquare(file, rankOf(rook))] != pieceCode(colour, ROOK);
  }
  const char letter = outermost ? "KQ"[wing] : static_cast<char>('A' + fileOf(rook));
  return colour == BLACK ? static_cast<char>(letter - 'A' + 'a') : letter;
}

// True when the enemy pawn in front of `square` can just have passed over it.
bool enPassantPossible(const Position& pos, int square) {
  int forward = pos.side == WHITE ? 8 : -8;
  return rankOf(square) == (pos.side == WHITE ? 5 : 2) && pos.board[square - forward] == pieceCode(pos.xside, PAWN) &&
         isEmptyCell(pos.board[square]) && isEmptyCell(pos.board[square + forward]);
}

void readEnPassant(Position& pos, const char* p) {
  if (p[0] < 'a' || p[0] > 'h' || p[1] < '1' || p[1] > '8') return;
  int square = makeSquare(p[0] - 'a', p[1] - '1');
  if (!enPassantPossible(pos, square)) return;
  pos.epSquare = square;
  pos.hashKey ^= epKey[square];
}

// Drops the castling rights whose king is off its back rank or whose rook is not on
// its square. Kept, such as "KQkq" over a bare ending (or the rights a text without
// the field gets), they would show in the FEN and keep the tablebases out of the search.
void dropImpossibleCastling(Position& pos) {
  pos.hashKey ^= castleKey[pos.castleRights];
  for (int colour = 0; colour < 2; ++colour) {
    const bool kingHome = rankOf(pos.kingSquare[colour]) == (colour == WHITE ? 0 : 7);
    for (int wing = 0; wing < 2; ++wing) {
      const int rook = pos.castling.rookSquare[colour][wing];
      if (!kingHome || rook < 0 || pos.board[rook] != pieceCode(colour, ROOK)) {
        pos.castleRights &= ~castlingRight(colour, wing);
      }
    }
  }
  pos.hashKey ^= castleKey[pos.castleRights];
}

// Side, castling and en-passant fields, each optional from the end of the text.
void readState(Position& pos, const char* p) {
  p = skipBlanks(p);
  if (*p == 'b' || *p == 'B') {
    pos.hashKey ^= sideKey;
    pos.side = BLACK;
    pos.xside = WHITE;
    pos.checkInfo[pos.gamePly] = computeCheckInfo(pos);
  }
  if (*p == '\0') return;
  p = readCastling(pos, skipBlanks(p + 1));
  if (*p == '\0') return;
  readEnPassant(pos, skipBlanks(p + 1));
}

}  // namespace

bool parseFen(Position& pos, const char* text) {
  const char* p = text;
  Placement placement;
  if (!readPlacement(p, placement) || !isPlayable(placement)) return false;
  // Kept to undo a set-up whose side not to move proves to be in check.
  const auto saved = std::make_unique<Position>(pos);
  setUpPosition(pos, placement);
  readState(pos, p);
  dropImpossibleCastling(pos);
  if (findChecker(pos, pos.kingSquare[pos.xside], pos.side) != NO_SQUARE) {
    pos = *saved;
    return false;
  }
  return true;
}

void positionToFen(const Position& pos, char* buffer, FenCounters counters) {
  char* out = buffer;
  for (int rank = 7; rank >= 0; --rank) {
    int emptyRun = 0;
    for (int file = 0; file < 8; ++file) {
      int code = pos.board[makeSquare(file, rank)];
      if (isEmptyCell(code)) {
        ++emptyRun;
        continue;
      }
      if (emptyRun) *out++ = static_cast<char>('0' + emptyRun);
      emptyRun = 0;
      char letter = PIECE_LETTERS[typeOfCode(code)];
      *out++ = colourOfCode(code) == BLACK ? static_cast<char>(letter - 'A' + 'a') : letter;
    }
    if (emptyRun) *out++ = static_cast<char>('0' + emptyRun);
    if (rank > 0) *out++ = '/';
  }
  *out++ = ' ';
  *out++ = pos.side == WHITE ? 'w' : 'b';
  *out++ = ' ';
  if (pos.castleRights == 0) *out++ = '-';
  for (int bit = 0; bit < 4; ++bit) {
    if (pos.castleRights & (1 << bit)) *out++ = castlingLetter(pos, bit >> 1, bit & 1);
  }
  *out++ = ' ';
  if (pos.epSquare < 0) {
    *out++ = '-';
  } else {
    *out++ = static_cast<char>('a' + fileOf(pos.epSquare));
    *out++ = static_cast<char>('1' + rankOf(pos.epSquare));
  }
  if (counters == FenCounters::Zero) {
    std::snprintf(out, FEN_TEXT_SIZE - (out - buffer), " 0 1");
    return;
  }
  // The side that moved first from the set-up position decides when the number rises.
  int setupSide = pos.side ^ (pos.gamePly & 1);
  int moveNumber = 1 + (pos.gamePly + setupSide) / 2;
  std::snprintf(out, FEN_TEXT_SIZE - (out - buffer), " %d %d", pos.rule50, moveNumber);
}

}  // namespace velt
