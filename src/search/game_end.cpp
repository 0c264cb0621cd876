#include "search/game_end.h"

#include <cstdio>
#include <cstdlib>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/rules.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"

namespace velt {

namespace {

constexpr int RESULT_LINE_SIZE = 32;
constexpr int MINOR_PIECE_LIMIT = 499;  // piece material of at most a minor piece
constexpr int DECISIVE_SCORE = 28999;

bool hasLegalMove(EvalPosition& pos) {
  generateAllMoves(pos);
  const int first = pos.listStart[pos.ply], last = pos.listStart[pos.ply + 1];
  for (int i = first; i < last; ++i) {
    if (makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) {
      unmakeMove(pos);
      return true;
    }
  }
  return false;
}

}  // namespace

GameEnd gameEndResult(EvalPosition& pos, int engineSide, int lastScore) {
  static char line[RESULT_LINE_SIZE];
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  if (!hasLegalMove(pos)) {
    if (!inCheck(pos.checkInfo[pos.gamePly])) return GameEnd{"1/2-1/2 {Stalemate}", true, false};
    const int mated = pos.side;
    const char* comment = mated == engineSide       ? "You win"
                          : (mated ^ 1) == engineSide ? "Computer wins"
                          : mated == WHITE           ? "Black wins"
                                                     : "White wins";
    std::snprintf(line, sizeof line, "%s {%s}", mated == WHITE ? "0-1" : "1-0", comment);
    return GameEnd{line, true, true};
  }
  if (repetitionCount(pos) >= 2) return GameEnd{"1/2-1/2 {Draw by repetition}", true, false};
  if (pos.rule50 > 99) return GameEnd{"1/2-1/2 {Draw by fifty move rule}", true, false};

  const bool noPawns = pos.pieceCount[WHITE][PAWN] == 0 && pos.pieceCount[BLACK][PAWN] == 0;
  if (noPawns && pos.pieceMaterial[WHITE] <= MINOR_PIECE_LIMIT && pos.pieceMaterial[BLACK] <= MINOR_PIECE_LIMIT &&
      std::abs(lastScore) <= DECISIVE_SCORE) {
    const bool bareKings = pos.pieceMaterial[WHITE] == 0 && pos.pieceMaterial[BLACK] == 0;
    const bool sameColouredBishops =
        hasLoneBishop(pos, WHITE) && hasLoneBishop(pos, BLACK) &&
        squareColour(lowestSquare(pos.pieceBB[WHITE][BISHOP])) == squareColour(lowestSquare(pos.pieceBB[BLACK][BISHOP]));
    if (bareKings || pos.menCount == 3 || sameColouredBishops)
      return GameEnd{"1/2-1/2 {Insufficient material}", false, false};
  }
  return GameEnd{nullptr, false, false};
}

}  // namespace velt
