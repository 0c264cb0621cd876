#include "eval/move_step.h"

#include "board/movegen.h"
#include "board/san.h"
#include "eval/evaluate.h"

namespace velt {

namespace {

int makeEvaluated(EvalPosition& pos, Move move, int alpha, int beta, bool rejectExposedKing) {
  if (!beginMove(pos, move)) return 0;
  pos.undo[pos.gamePly - 1].evalAfter = evaluate(pos, -beta, -alpha);
  return completeMove(pos, rejectExposedKing) ? 1 : 0;
}

}  // namespace

int makeMove(EvalPosition& pos, Move move, int alpha, int beta) { return makeEvaluated(pos, move, alpha, beta, true); }

int makeMoveUnchecked(EvalPosition& pos, Move move, int alpha, int beta) {
  return makeEvaluated(pos, move, alpha, beta, false);
}

bool isLegalMove(EvalPosition& pos, Move move) {
  if (!makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) return false;
  unmakeMove(pos);
  return true;
}

bool parseSanMove(EvalPosition& pos, const char* text, Move& move) {
  Move candidates[MAX_SAN_CANDIDATES];
  const int count = sanCandidates(pos, text, candidates);
  for (int i = 0; i < count; ++i) {
    if (isLegalMove(pos, candidates[i])) {
      move = candidates[i];
      return true;
    }
  }
  return false;
}

void prepareRoot(EvalPosition& pos) {
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
}

}  // namespace velt
