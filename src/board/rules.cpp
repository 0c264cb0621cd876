#include "board/rules.h"

#include "board/attacks.h"
#include "board/bitbase.h"
#include "board/movegen.h"

namespace velt {

namespace {

bool isCorner(int square) { return square == A1 || square == H1 || square == A8 || square == H8; }

bool onEdge(int square) { return fileOf(square) == 0 || fileOf(square) == 7 || rankOf(square) == 0 || rankOf(square) == 7; }

// King, bishop and pawn against king and bishop, the weak side (without the pawn) to
// move: drawn when the bishops stand on squares of different colours and the weak side
// holds the pawn's path.
bool oppositeBishopsDraw(const Position& pos, int strong) {
  const int weak = strong ^ 1;
  const int strongKing = pos.kingSquare[strong], weakKing = pos.kingSquare[weak];
  const int pawn = lowestSquare(pos.pieceBB[strong][PAWN]);
  const int strongBishop = lowestSquare(pos.pieceBB[strong][BISHOP]);
  const int weakBishop = lowestSquare(pos.pieceBB[weak][BISHOP]);
  if (squareColour(strongBishop) == squareColour(weakBishop)) return false;

  const int forward = strong == WHITE ? NORTH : SOUTH;
  if (weakKing == neighbour[pawn][forward] && squareColour(weakKing) != squareColour(strongBishop)) {
    if (!isCorner(strongKing) && !isCorner(weakKing)) return true;
    if (squareDistance(strongKing, weakKing) > 2) return true;
  }
  const Bitboard path = ray[pawn][forward];
  if (!((squareBit[weakBishop] | bishopLines[weakBishop]) & path)) return false;
  const int bishopToKing = squareDistance(weakBishop, strongKing);
  if (bishopToKing <= 1 || (bishopToKing == 2 && squareDistance(weakBishop, pawn) <= 2)) return false;
  if (isCorner(weakKing) && squareDistance(weakKing, strongKing) <= 2) return false;
  if (!onEdge(strongKing)) return true;
  if (squareDistance(strongKing, weakKing) <= 2) return false;
  return squareDistance(strongKing, strongBishop) > 1 || squareDistance(strongKing, pawn) > 1;
}

// One pawn of `strong` against a bare king, with at most a bishop beside the pawn:
// the bitbases, built for a white pawn, read with the board turned for a black one.
bool singlePawnDraw(const Position& pos, int strong) {
  const int flip = strong == WHITE ? 0 : 63;
  const int side = strong == WHITE ? pos.side : pos.xside;
  const int strongKing = pos.kingSquare[strong] ^ flip, weakKing = pos.kingSquare[strong ^ 1] ^ flip;
  const int pawn = lowestSquare(pos.pieceBB[strong][PAWN]) ^ flip;
  if (pos.pieceMaterial[strong] == 0) return bitbaseDraw(kpkBitbase, kpkIndex(side, strongKing, weakKing, pawn));
  if (!hasLoneBishop(pos, strong) || (fileOf(pawn) != 0 && fileOf(pawn) != 7)) return false;
  const int bishop = lowestSquare(pos.pieceBB[strong][BISHOP]) ^ flip;
  return bitbaseDraw(kbpkBitbase, kbpkIndex(side, strongKing, weakKing, bishop, pawn));
}

}  // namespace

int squareColour(int square) { return (rankOf(square) + fileOf(square)) & 1; }

bool hasLoneBishop(const Position& pos, int colour) {
  return pos.pieceCount[colour][BISHOP] == 1 && pos.pieceMaterial[colour] == pieceValue[BISHOP];
}

bool isRecognizedDraw(const Position& pos) {
  if (pos.menCount == 5) {
    if (!hasLoneBishop(pos, WHITE) || !hasLoneBishop(pos, BLACK) || inCheck(pos.checkInfo[pos.gamePly])) return false;
    if (pos.pieceCount[pos.side][PAWN] >= pos.pieceCount[pos.xside][PAWN]) return false;
    return oppositeBishopsDraw(pos, pos.xside);
  }
  if (pos.menCount > 5) return false;
  const int whitePawns = pos.pieceCount[WHITE][PAWN], blackPawns = pos.pieceCount[BLACK][PAWN];
  if (whitePawns == 0 && blackPawns == 0)
    return (pos.pieceMaterial[WHITE] == 0 && pos.pieceMaterial[BLACK] < pieceValue[ROOK]) ||
           (pos.pieceMaterial[BLACK] == 0 && pos.pieceMaterial[WHITE] < pieceValue[ROOK]);
  for (int strong = WHITE; strong <= BLACK; ++strong)
    if (pos.pieceCount[strong][PAWN] == 1 && pos.pieceCount[strong ^ 1][PAWN] == 0 && pos.pieceMaterial[strong ^ 1] == 0)
      return singlePawnDraw(pos, strong);
  return false;
}

bool isDiscoveredCheckMove(const Position& pos, Move move) {
  const int from = moveFrom(move), king = pos.kingSquare[pos.xside];
  const int d = direction[from][king];
  if (d < 0) return false;
  // A man moving along the line keeps covering the king.
  const int moveDirection = direction[from][moveTo(move)];
  if (moveDirection == d || moveDirection == (d ^ 1)) return false;
  if (firstManInDirection(pos, from, d) != king) return false;
  const int behind = firstManInDirection(pos, from, d ^ 1);
  if (behind == NO_SQUARE || colourOfCode(pos.board[behind]) != pos.side) return false;
  const int type = typeOfCode(pos.board[behind]);
  return type == QUEEN || type == (d >= NORTH_WEST ? BISHOP : ROOK);
}

bool isCheckedWithoutEvasions(Position& pos) {
  if (!inCheck(pos.checkInfo[pos.gamePly])) return false;
  generateEvasions(pos, ~Bitboard{0});
  return pos.listStart[pos.ply + 1] == pos.listStart[pos.ply];
}

}  // namespace velt
