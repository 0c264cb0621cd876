// Null move and legal-move test shared by the node searches.
#include "search/node.h"

#include "board/bitboard.h"
#include "board/movegen.h"
#include "eval/move_step.h"

namespace velt {

void makeNullMove(Worker& pos, int childEval) {
  UndoRecord& undo = pos.undo[pos.gamePly];
  undo.move = MOVE_NONE;
  undo.captured = NO_PIECE;
  undo.castleRights = pos.castleRights;
  undo.epSquare = pos.epSquare;
  undo.rule50 = pos.rule50;
  undo.materialKey = pos.materialKey;
  undo.hashKey = pos.hashKey;
  undo.pawnKey = pos.pawnKey;
  undo.evalAfter = childEval;
  undo.evalExtra = pos.gamePly > 0 ? pos.undo[pos.gamePly - 1].evalExtra : 0;
  if (pos.epSquare >= 0) {
    pos.hashKey ^= epKey[pos.epSquare];
    pos.epSquare = -1;
  }
  pos.hashKey ^= sideKey;
  pos.side ^= 1;
  pos.xside ^= 1;
  ++pos.rule50;
  ++pos.ply;
  ++pos.gamePly;
  pos.checkInfo[pos.gamePly] = CHECK_NONE;
  pos.attackMap[pos.ply][WHITE] = pos.attackMap[pos.ply - 1][WHITE];
  pos.attackMap[pos.ply][BLACK] = pos.attackMap[pos.ply - 1][BLACK];
  pos.plyEval[pos.ply] = pos.plyEval[pos.ply - 1];
}

bool hasLegalMove(Worker& pos) {
  if (nodeInCheck(pos)) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) {
    if (makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) {
      unmakeMove(pos);
      return true;
    }
  }
  return false;
}

}  // namespace velt
