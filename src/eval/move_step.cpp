#include "eval/move_step.h"

#include "board/movegen.h"
#include "eval/evaluate.h"

namespace velt {

namespace {

int makeEvaluated(Position& pos, Move move, int alpha, int beta, bool rejectExposedKing) {
  if (!beginMove(pos, move)) return 0;
  pos.undo[pos.gamePly - 1].evalAfter = evaluate(pos, -beta, -alpha);
  return completeMove(pos, rejectExposedKing) ? 1 : 0;
}

}  // namespace

int makeMove(Position& pos, Move move, int alpha, int beta) { return makeEvaluated(pos, move, alpha, beta, true); }

int makeMoveUnchecked(Position& pos, Move move, int alpha, int beta) {
  return makeEvaluated(pos, move, alpha, beta, false);
}

bool isLegalMove(Position& pos, Move move) {
  if (!makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) return false;
  unmakeMove(pos);
  return true;
}

void prepareRoot(Position& pos) {
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
}

}  // namespace velt
