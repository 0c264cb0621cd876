#include "board/checks.h"

#include <initializer_list>

#include "board/attacks.h"
#include "board/see.h"

namespace velt {

namespace {

constexpr bool isDiagonal(int d) { return d >= NORTH_WEST; }

struct CheckGenerator {
  Position& pos;
  int us, them;
  int king;  // the enemy king
  int up;    // pawn step of the side to move
  Bitboard allowed;
  Bitboard extraTargets;
  Move captureA, captureB;
  bool restricted;
  Bitboard flightSquares;
  int first;  // first list entry of this ply

  void add(Move move) { pos.moveList[pos.listStart[pos.ply + 1]++] = ScoredMove{move, 0}; }

  bool listed(Move move) const {
    for (int i = first; i < pos.listStart[pos.ply + 1]; ++i)
      if (pos.moveList[i].move == move) return true;
    return false;
  }

  Move pieceMove(int from, int to) const {
    return makeMoveWord(from, to, isEmptyCell(pos.board[to]) ? 0 : FLAG_CAPTURE);
  }

  void addIfSafe(int from, int to) {
    Move move = pieceMove(from, to);
    if (checkIsSafe(pos, move)) add(move);
  }

  // Relative rank: 0 is the side to move's own back rank.
  int relativeRank(int square) const { return us == WHITE ? rankOf(square) : 7 - rankOf(square); }

  bool kingBoxed() const { return !(kingAttacks[king] & ~flightSquares); }

  void knightChecks() {
    for (Bitboard knights = pos.pieceBB[us][KNIGHT]; knights; knights &= knights - 1) {
      int from = lowestSquare(knights);
      for (Bitboard targets = knightAttacks[from] & knightAttacks[king] & allowed; targets; targets &= targets - 1) {
        int to = lowestSquare(targets);
        if (restricted && !kingBoxed() &&
            !(knightAttacks[to] & pos.colourBB[them] & ~squareBit[king] & ~extraTargets))
          continue;
        addIfSafe(from, to);
      }
    }
  }

  // The single own man between a slider and the enemy king steps off the line.
  void discoveredChecks(int slider, int blocker, int d) {
    if (captureA && moveFrom(captureA) == blocker) add(captureA);
    if (captureB && moveFrom(captureB) == blocker) add(captureB);
    int code = pos.board[blocker];
    if (colourOfCode(code) == them) {
      addIfSafe(slider, blocker);
      return;
    }
    switch (typeOfCode(code)) {
      case PAWN:
        discoveredPawnMoves(blocker, d != NORTH && d != SOUTH);  // a push along a file stays on it
        break;
      case KNIGHT:
        for (Bitboard targets = knightAttacks[blocker] & allowed; targets; targets &= targets - 1) {
          Move move = pieceMove(blocker, lowestSquare(targets));
          if (restricted && (knightAttacks[moveTo(move)] & squareBit[king]) && listed(move)) continue;
          add(move);
        }
        break;
      case BISHOP:
        if (!isDiagonal(d)) addAll(blocker, bishopAttacks(pos, blocker) & allowed);
        break;
      case ROOK:
        if (isDiagonal(d)) addAll(blocker, rookAttacks(pos, blocker) & allowed);
        break;
      case KING:
        for (Bitboard targets = kingAttacks[blocker] & allowed & ~pos.attackMap[pos.ply][them]; targets;
             targets &= targets - 1) {
          int to = lowestSquare(targets);
          int step = direction[blocker][to];
          if (step != d && step != (d ^ 1)) add(pieceMove(blocker, to));
        }
        break;
      default:
        break;
    }
  }

  void addAll(int from, Bitboard targets) {
    for (; targets; targets &= targets - 1) add(pieceMove(from, lowestSquare(targets)));
  }

  void discoveredPawnMoves(int pawn, bool pushes) {
    if (relativeRank(pawn) >= 6) return;
    if (pushes && isEmptyCell(pos.board[pawn + up])) {
      add(makeMoveWord(pawn, pawn + up, FLAG_PAWN_MOVE));
      if (relativeRank(pawn) == 1 && isEmptyCell(pos.board[pawn + 2 * up]))
        add(makeMoveWord(pawn, pawn + 2 * up, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP));
    }
    // Towards the h-file first, then towards the a-file.
    for (int fileStep : {1, -1}) {
      if (fileOf(pawn) + fileStep < 0 || fileOf(pawn) + fileStep > 7) continue;
      int to = pawn + up + fileStep;
      if (extraTargets & pos.colourBB[them] & squareBit[to]) add(makeMoveWord(pawn, to, FLAG_PAWN_MOVE | FLAG_CAPTURE));
    }
  }

  // Returns true when the slider on `from` has exactly one removable blocker on its line
  // (of the wanted kind) to the king; the discovered checks are then generated.
  bool lineChecks(int from, bool diagonalLine) {
    int d = direction[from][king];
    if (d < 0 || isDiagonal(d) != diagonalLine) return false;
    Bitboard between = ray[from][d] & ray[king][d ^ 1] & pos.occupied;
    if (!between || (between & (between - 1))) return false;
    int blocker = lowestSquare(between);
    if (colourOfCode(pos.board[blocker]) == them && !(allowed & between)) return false;
    discoveredChecks(from, blocker, d);
    return true;
  }

  void diagonalSliders() {
    Bitboard kingDiagonals = bishopAttacks(pos, king);
    Bitboard kingLines = rookAttacks(pos, king);
    for (int type : {BISHOP, QUEEN})
      for (Bitboard men = pos.pieceBB[us][type]; men; men &= men - 1) {
        int from = lowestSquare(men);
        if (lineChecks(from, true)) continue;
        if (type == BISHOP) {
          for (Bitboard t = bishopAttacks(pos, from) & kingDiagonals & allowed; t; t &= t - 1)
            addIfSafe(from, lowestSquare(t));
        } else {
          for (Bitboard t = queenAttacks(pos, from) & (kingDiagonals | kingLines) & allowed; t; t &= t - 1) {
            int to = lowestSquare(t);
            if (isDiagonal(direction[from][to]) || isDiagonal(direction[king][to])) addIfSafe(from, to);
          }
        }
      }
  }

  void orthogonalSliders() {
    Bitboard kingLines = rookAttacks(pos, king);
    for (int type : {ROOK, QUEEN})
      for (Bitboard men = pos.pieceBB[us][type]; men; men &= men - 1) {
        int from = lowestSquare(men);
        if (lineChecks(from, false)) continue;
        for (Bitboard t = rookAttacks(pos, from) & kingLines & allowed; t; t &= t - 1) addIfSafe(from, lowestSquare(t));
      }
  }

  bool ownPawnOn(int square) const { return square >= 0 && square < 64 && pos.board[square] == pieceCode(us, PAWN); }

  // A pawn push onto the square from which it checks, with the exchange test.
  void checkingPush(int from, int to, Move flags) {
    if (ownPawnOn(from) && isEmptyCell(pos.board[to]) && (flags == FLAG_PAWN_MOVE || isEmptyCell(pos.board[from + up]))) {
      Move move = makeMoveWord(from, to, flags);
      if (captureIsSafe(pos, move)) add(move);
    }
  }

  // Whether the restricted generator allows a single push onto the checking square on
  // the side `fileStep` of the king: the pawn then also attacks the man two files over.
  bool pushAllowed(int fileStep) const {
    if (!restricted || relativeRank(king) == 7 || kingBoxed()) return true;
    int file = fileOf(king) + 2 * fileStep;
    if (file < 0 || file > 7) return false;
    int code = pos.board[king + 2 * fileStep];
    return colourOfCode(code) == them && typeOfCode(code) != PAWN;
  }

  void pawnChecks() {
    if (relativeRank(king) < 3) return;
    // The two squares from which a pawn attacks the king, on the h-file side and the a-file side.
    for (int fileStep : {1, -1}) {
      int file = fileOf(king) + fileStep;
      if (file < 0 || file > 7) continue;
      int target = king - up + fileStep;
      if (pushAllowed(fileStep)) checkingPush(target - up, target, FLAG_PAWN_MOVE);
    }
    if (!restricted) {
      // Captures onto the checking squares, from either neighbouring file.
      const int captures[4][2] = {{2, 1}, {0, -1}, {0, 1}, {-2, -1}};
      for (const auto& c : captures) {
        int fromFile = fileOf(king) + c[0], toFile = fileOf(king) + c[1];
        if (fromFile < 0 || fromFile > 7 || toFile < 0 || toFile > 7) continue;
        int from = king - 2 * up + c[0], to = king - up + c[1];
        if (ownPawnOn(from) && (extraTargets & pos.colourBB[them] & squareBit[to]))
          add(makeMoveWord(from, to, FLAG_PAWN_MOVE | FLAG_CAPTURE));
      }
    }
    if (relativeRank(king) == 4) {
      for (int fileStep : {1, -1}) {
        int file = fileOf(king) + fileStep;
        if (file < 0 || file > 7) continue;
        int target = king - up + fileStep;
        checkingPush(target - 2 * up, target, FLAG_PAWN_MOVE | FLAG_DOUBLE_STEP);
      }
    }
  }

  void run() {
    first = pos.listStart[pos.ply];
    pos.listStart[pos.ply + 1] = first;
    knightChecks();
    diagonalSliders();
    orthogonalSliders();
    pawnChecks();
  }
};

CheckGenerator makeGenerator(Position& pos, Bitboard extraTargets) {
  int us = pos.side, them = pos.xside;
  Bitboard targets = extraTargets & pos.colourBB[them];
  return CheckGenerator{pos,     us,          them, pos.kingSquare[them], us == WHITE ? 8 : -8, ~pos.occupied | targets,
                        targets, MOVE_NONE, MOVE_NONE, false,           0,   0};
}

}  // namespace

void generateChecks(Position& pos, Bitboard extraTargets, Move captureA, Move captureB) {
  CheckGenerator generator = makeGenerator(pos, extraTargets);
  generator.captureA = captureA;
  generator.captureB = captureB;
  generator.run();
}

void generateChecksRestricted(Position& pos, Bitboard extraTargets, Bitboard flightSquares) {
  CheckGenerator generator = makeGenerator(pos, extraTargets);
  generator.restricted = true;
  generator.flightSquares = flightSquares;
  generator.run();
}

}  // namespace velt
