#include "board/san.h"

#include <cstring>

#include "board/attacks.h"
#include "board/coordinate.h"
#include "board/movegen.h"

namespace velt {

namespace {

constexpr int SAN_TEXT_SIZE = 12;
constexpr int SIGNIFICANT_CHARS = 5;

bool slidesIn(int type, int d) { return type == QUEEN || (type == BISHOP ? d >= NORTH_WEST : d < NORTH_WEST); }

// Squares from which a man of `type` could reach `to`, searched outwards from `to`:
// knight jumps in table order, or the first man along each ray of the piece.
template <typename Visit>
bool searchOrigins(const Position& pos, int type, int to, Visit visit) {
  if (type == KNIGHT) {
    for (const int* t = knightTargets[to]; *t >= 0; ++t)
      if (visit(*t)) return true;
    return false;
  }
  if (type == KING) return visit(pos.kingSquare[pos.side]);
  for (int d = 0; d < 8; ++d) {
    if (!slidesIn(type, d)) continue;
    int square = firstManInDirection(pos, to, d);
    if (square != NO_SQUARE && visit(square)) return true;
  }
  return false;
}

int pieceOfLetter(char c) {
  const char* letter = std::strchr("NBRQK", c);
  return c && letter ? pieceFromLetter(c) : PAWN;
}

bool isFile(char c) { return c >= 'a' && c <= 'h'; }
bool isRank(char c) { return c >= '1' && c <= '8'; }

}  // namespace

std::string moveToSan(const Position& pos, Move move) {
  char text[SAN_TEXT_SIZE];
  char* out = text;
  const int from = moveFrom(move), to = moveTo(move);
  if (move & FLAG_CASTLE) {
    return (move & FLAG_CASTLE_SHORT) || from < to ? "O-O" : "O-O-O";
  }
  const int code = pos.board[from];
  const int type = typeOfCode(code);
  if (type == PAWN) {
    if (move & FLAG_CAPTURE) {
      *out++ = static_cast<char>('a' + fileOf(from));
      *out++ = 'x';
    }
  } else {
    *out++ = PIECE_LETTERS[type];
    bool needFile = false, needRank = false;
    if (type != KING)
      searchOrigins(pos, type, to, [&](int square) {
        if (square != from && pos.board[square] == code) {
          if (fileOf(square) == fileOf(from))
            needRank = true;
          else
            needFile = true;
        }
        return false;
      });
    if (needFile) *out++ = static_cast<char>('a' + fileOf(from));
    if (needRank) *out++ = static_cast<char>('1' + rankOf(from));
    if (move & FLAG_CAPTURE) *out++ = 'x';
  }
  *out++ = static_cast<char>('a' + fileOf(to));
  *out++ = static_cast<char>('1' + rankOf(to));
  if (move & FLAG_PROMOTION) {
    *out++ = '=';
    *out++ = PIECE_LETTERS[movePromotion(move)];
  }
  *out = '\0';
  return text;
}

int sanCandidates(const Position& pos, const char* text, Move candidates[MAX_SAN_CANDIDATES]) {
  int count = 0;
  if (text[0] == '0' || text[0] == 'O' || text[0] == 'o') {
    int letters = 0;
    for (const char* p = text; *p; ++p) letters += *p == '0' || *p == 'O' || *p == 'o';
    Move castling;
    if (parseMoveText(pos, letters >= 3 ? "O-O-O" : "O-O", castling) && isMovePseudoLegal(pos, castling)) {
      candidates[count++] = castling;
    }
    return count;
  }

  char sig[SIGNIFICANT_CHARS + 1];
  int length = 0;
  for (const char* p = text; *p && length < SIGNIFICANT_CHARS; ++p)
    if (isFile(*p) || isRank(*p) || std::strchr("NBRQK", *p)) sig[length++] = *p;
  sig[length] = '\0';

  const int type = pieceOfLetter(sig[0]);
  const char* rest = type == PAWN ? sig : sig + 1;
  int restLength = static_cast<int>(std::strlen(rest));
  int promotion = 0;
  if (type == PAWN && restLength > 0 && pieceOfLetter(rest[restLength - 1]) != PAWN) {
    promotion = pieceOfLetter(rest[restLength - 1]);
    if (promotion == KING) return 0;
    --restLength;
  }
  if (restLength < 2 || restLength > 4 || !isFile(rest[restLength - 2]) || !isRank(rest[restLength - 1])) return 0;
  const int to = makeSquare(rest[restLength - 2] - 'a', rest[restLength - 1] - '1');
  int fromFile = -1, fromRank = -1;
  for (int i = 0; i < restLength - 2; ++i) {
    if (isFile(rest[i]) && fromFile < 0 && fromRank < 0)
      fromFile = rest[i] - 'a';
    else if (isRank(rest[i]) && fromRank < 0)
      fromRank = rest[i] - '1';
    else
      return 0;
  }

  auto tryFrom = [&](int from) {
    if (from == NO_SQUARE || pos.board[from] != pieceCode(pos.side, type)) return false;
    if ((fromFile >= 0 && fileOf(from) != fromFile) || (fromRank >= 0 && rankOf(from) != fromRank)) return false;
    Move candidate = makeMoveWord(from, to, 0) | static_cast<Move>(promotion) << 16;
    if (type == KING && rankOf(from) == rankOf(to) && (to - from == 2 || from - to == 2))
      candidate |= to > from ? FLAG_CASTLE_SHORT : FLAG_CASTLE_LONG;
    completeMoveFlags(pos, candidate);
    if (isMovePseudoLegal(pos, candidate) && count < MAX_SAN_CANDIDATES) candidates[count++] = candidate;
    return false;
  };

  if (type != PAWN) {
    searchOrigins(pos, type, to, tryFrom);
    return count;
  }

  // Pawns: a capture names its source file; a push comes from directly behind, or two
  // squares behind when the square behind is empty.
  const int back = pos.side == WHITE ? -8 : 8;
  if (to + back < 0 || to + back > 63) return 0;
  if (fromFile >= 0 && fromFile != fileOf(to)) {
    int fromSquare = to + back + (fromFile - fileOf(to));
    if (fromFile - fileOf(to) == 1 || fromFile - fileOf(to) == -1) tryFrom(fromSquare);
    return count;
  }
  tryFrom(to + back);
  if (isEmptyCell(pos.board[to + back]) && to + 2 * back >= 0 && to + 2 * back < 64) tryFrom(to + 2 * back);
  return count;
}

}  // namespace velt
