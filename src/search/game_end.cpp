#include "search/game_end.h"

#include <cstdlib>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/rules.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"

namespace velt {

namespace {

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

bool endsGame(GameOutcome outcome) {
  return outcome != GameOutcome::PLAYING && outcome != GameOutcome::INSUFFICIENT_MATERIAL;
}

GameOutcome gameOutcome(EvalPosition& pos, int lastScore) {
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  if (!hasLegalMove(pos)) return inCheck(pos.checkInfo[pos.gamePly]) ? GameOutcome::CHECKMATE : GameOutcome::STALEMATE;
  if (repetitionCount(pos) >= 2) return GameOutcome::REPETITION;
  if (pos.rule50 > 99) return GameOutcome::FIFTY_MOVES;

  const bool noPawns = pos.pieceCount[WHITE][PAWN] == 0 && pos.pieceCount[BLACK][PAWN] == 0;
  if (noPawns && pos.pieceMaterial[WHITE] <= MINOR_PIECE_LIMIT && pos.pieceMaterial[BLACK] <= MINOR_PIECE_LIMIT &&
      std::abs(lastScore) <= DECISIVE_SCORE) {
    const bool bareKings = pos.pieceMaterial[WHITE] == 0 && pos.pieceMaterial[BLACK] == 0;
    const bool sameColouredBishops =
        hasLoneBishop(pos, WHITE) && hasLoneBishop(pos, BLACK) &&
        squareColour(lowestSquare(pos.pieceBB[WHITE][BISHOP])) == squareColour(lowestSquare(pos.pieceBB[BLACK][BISHOP]));
    if (bareKings || pos.menCount == 3 || sameColouredBishops) return GameOutcome::INSUFFICIENT_MATERIAL;
  }
  return GameOutcome::PLAYING;
}

}  // namespace velt
