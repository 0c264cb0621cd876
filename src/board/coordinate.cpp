#include "board/coordinate.h"

#include <cctype>

#include "board/movegen.h"

namespace velt {

namespace {

bool readSquare(const char* text, int& square) {
  if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8') return false;
  square = makeSquare(text[0] - 'a', text[1] - '1');
  return true;
}

bool isOwn(const Position& pos, int square, int type) { return pos.board[square] == pieceCode(pos.side, type); }

// The two notations differ only in the promotion letter's case.
std::string writeCoordinate(Move move, const char* promotionLetters, const CastlingSetup* kingTakesRook) {
  const int from = moveFrom(move);
  int to = moveTo(move);
  if (kingTakesRook && (move & FLAG_CASTLE)) {
    to = kingTakesRook->rookSquare[rankOf(from) == 0 ? WHITE : BLACK][(move & FLAG_CASTLE_SHORT) ? 0 : 1];
  }
  std::string text = {static_cast<char>('a' + fileOf(from)), static_cast<char>('1' + rankOf(from)),
                      static_cast<char>('a' + fileOf(to)), static_cast<char>('1' + rankOf(to))};
  if (move & FLAG_PROMOTION) text += promotionLetters[movePromotion(move)];
  return text;
}

}  // namespace

std::string moveToCoordinate(Move move, const CastlingSetup* kingTakesRook) {
  return writeCoordinate(move, PIECE_LETTERS, kingTakesRook);
}

std::string moveToUci(Move move, const CastlingSetup* kingTakesRook) {
  return writeCoordinate(move, "pnbrqk", kingTakesRook);
}

void completeMoveFlags(const Position& pos, Move& move) {
  const int from = moveFrom(move), to = moveTo(move);
  if (!(move & FLAG_CASTLE) && !isEmptyCell(pos.board[to])) move |= FLAG_CAPTURE;
  if (typeOfCode(pos.board[from]) != PAWN) return;
  move |= FLAG_PAWN_MOVE;
  if (rankOf(to) == 0 || rankOf(to) == 7) {
    move |= FLAG_PROMOTION;
  } else if (to - from == 16 || from - to == 16) {
    move |= FLAG_DOUBLE_STEP;
  } else if (to == pos.epSquare && fileOf(from) != fileOf(to)) {
    move |= FLAG_CAPTURE | FLAG_EN_PASSANT;
  }
}

bool parseMoveText(const Position& pos, const char* text, Move& move) {
  Move parsed;
  if (text[0] == '0' || text[0] == 'O' || text[0] == 'o') {
    const bool queenSide = text[1] && text[2] && text[3] == '-';
    parsed = castleMove(pos, pos.side, !queenSide);
  } else {
    int from, to;
    if (!readSquare(text, from) || !readSquare(text + 2, to)) return false;
    if (isEmptyCell(pos.board[from])) return false;
    if (isOwn(pos, from, KING) && isOwn(pos, to, ROOK)) {
      // The king taking its own rook: castling with that rook, and no other.
      const bool kingSide = to > from;
      if (to != pos.castling.rookSquare[pos.side][kingSide ? 0 : 1]) return false;
      parsed = castleMove(pos, pos.side, kingSide);
    } else {
      parsed = makeMoveWord(from, to, 0);
      if (isOwn(pos, from, PAWN) && (rankOf(to) == 0 || rankOf(to) == 7)) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[4])));
        const int type = letter == 'N' ? KNIGHT : letter == 'B' ? BISHOP : letter == 'R' ? ROOK : letter == 'Q' ? QUEEN : 0;
        if (type == 0) return false;
        parsed |= static_cast<Move>(type) << 16;
      }
      if (isOwn(pos, from, KING) && rankOf(from) == rankOf(to) && (to - from == 2 || from - to == 2)) {
        parsed |= to > from ? FLAG_CASTLE_SHORT : FLAG_CASTLE_LONG;
      }
      completeMoveFlags(pos, parsed);
    }
  }
  // A word the generators could not produce would corrupt the board in makeMove.
  if (!isMovePseudoLegal(pos, parsed)) return false;
  move = parsed;
  return true;
}

bool moveFitsBoard(const Position& pos, Move move) {
  if (move == MOVE_NONE) return false;
  const int mover = pos.board[moveFrom(move)];
  const int target = pos.board[moveTo(move)];
  return !isEmptyCell(mover) && colourOfCode(mover) == pos.side && (isEmptyCell(target) || colourOfCode(target) != pos.side);
}

}  // namespace velt
