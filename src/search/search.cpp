// The node routines: principal-variation, verification and zero-window nodes.
#include "search/search.h"

#include <algorithm>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "search/decided_table.h"
#include "search/engine_core.h"
#include "search/engine_options.h"
#include "search/history.h"
#include "search/margins.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/node_frame.h"
#include "search/node_table.h"
#include "search/parallel.h"
#include "search/quiesce.h"
#include "search/split_merge.h"
#include "search/tablebase_sites.h"
#include "search/tt.h"

namespace velt {

namespace {

constexpr int NO_SCORE = -30500;  // below every real score: nothing searched yet

// ---- Entry, table probe and bookkeeping shared by the node kinds ----

// Entry steps 1-4; true when the node ends at once with `result`. Principal-variation
// style nodes score draws with drawScore, zero-window nodes with 0.
template <class T>
bool entryEnds(Worker& pos, bool pvStyle, int alpha, int beta, int& result) {
  EngineCore& engine = *pos.engine;
  startNode(pos);
  pos.checkInfo[pos.gamePly] &= ~SINGULAR_MARK;
  pos.pickState[pos.ply].altMove = MOVE_NONE;
  const int draw = pvStyle ? engine.margins.drawScore[pos.side] : 0;
  if (pos.rule50 > 3) {
    if (pos.rule50 >= 100) {
      // A mate on the hundredth ply stands.
      result = pos.rule50 == 100 && nodeInCheck(pos) && !hasLegalMove(pos) ? pos.ply - MATE_SCORE : draw;
      return true;
    }
    if (isRepetition(pos)) {
      result = draw;
      return true;
    }
  }
  result = 0;
  if (countNode(pos)) return true;
  if (pos.ply >= PLY_LIMIT) {
    result = draw;
    return true;
  }
  return T::entryEnds(pos, alpha, beta, result);
}

// Tablebase probe rules by node kind: the shallow zero-window nodes stop at four men,
// the deep ones probe five men only deep and with white to move.
constexpr int DEEP_FIVE_MEN_DEPTH = 7 * ONE_PLY;
TablebaseProbeRule pvProbeRule(const Worker& pos) {
  return {5, pos.engine->options.minEgtbDepth * ONE_PLY, false, true};
}
TablebaseProbeRule shallowProbeRule() { return {4, 0, false, false}; }
TablebaseProbeRule deepProbeRule(const Worker& pos) {
  return {5, std::max(pos.engine->options.minEgtbDepth * ONE_PLY, DEEP_FIVE_MEN_DEPTH), true, false};
}

// A node without a legal move is mated or stalemated whatever the depth; the policy
// may record that, so that later visits need no internal deepening to learn it again.
template <class T>
int noMoveScore(Worker& pos, bool inCheckNode, int draw) {
  const int score = inCheckNode ? pos.ply - MATE_SCORE : draw;
  T::storeGameEnd(pos, inCheckNode ? score : 0);
  return score;
}

Move pvFirst(const Worker& pos) { return pos.pvLength[pos.ply] > pos.ply ? pos.pv[pos.ply][pos.ply] : MOVE_NONE; }

// A move that raised alpha heads the node's line, followed by the child's line.
void updatePV(Worker& pos, Move move) {
  const int ply = pos.ply;
  pos.pv[ply][ply] = move;
  const int childEnd = ply + 1 < MAX_PLY ? std::max(pos.pvLength[ply + 1], ply + 1) : ply + 1;
  for (int i = ply + 1; i < childEnd; ++i) pos.pv[ply][i] = pos.pv[ply + 1][i];
  pos.pvLength[ply] = childEnd;
}

void recordCutMove(Worker& pos, Move move) {
  pos.pv[pos.ply][pos.ply] = move;
  pos.pvLength[pos.ply] = pos.ply + 1;
}

// A zero-window node takes a child's score; true when the move cuts the node off.
bool raiseBestToCut(Worker& pos, Move move, int score, int beta, int& best, Move& bestMove) {
  if (score <= best) return false;
  best = score;
  if (score < beta) return false;
  bestMove = move;
  recordCutMove(pos, move);
  return true;
}

std::atomic<int>& historyEntry(const Worker& pos, int select, Move move) {
  return pos.engine->history.values[select][moveTo(move)][pos.board[moveFrom(move)]];
}

// Stores only a changed value: the search threads share the table's cache lines, and
// a store of the same value would still take the line from the other threads.
void updateHistory(std::atomic<int>& entry, int value, int updated) {
  if (updated != value) entry.store(updated, std::memory_order_relaxed);
}

void historyLoss(const Worker& pos, int select, Move move, int depth) {
  std::atomic<int>& entry = historyEntry(pos, select, move);
  const int value = entry.load(std::memory_order_relaxed);
  updateHistory(entry, value, value - ((value * depth) >> 10));
}

// A quiet best move gains history and becomes the first killer.
void rewardQuietMove(Worker& pos, int select, Move move, int depth) {
  std::atomic<int>& entry = historyEntry(pos, select, move);
  const int value = entry.load(std::memory_order_relaxed);
  updateHistory(entry, value, value + (((HISTORY_MAX - value) * depth) >> 10));
  Move* killers = pos.killers[pos.ply];
  if (!sameMove(move, killers[0])) {
    killers[1] = killers[0];
    killers[0] = move;
  }
}

// This side's previous move, whose exact reversal the nodes may skip.
Move previousOwnMove(const Position& pos) { return pos.gamePly >= 2 ? pos.undo[pos.gamePly - 2].move : MOVE_NONE; }

bool reverses(Move move, Move previous) {
  return previous != MOVE_NONE && isQuiet(move) && moveFrom(move) == moveTo(previous) &&
         moveTo(move) == moveFrom(previous);
}

int movingType(const Position& pos, Move move) { return typeOfCode(pos.board[moveFrom(move)]); }

// A quiet move the exchange test says loses material; a man that uncovers a check
// is kept whatever the test says.
bool quietMoveLoses(const Position& pos, Move move) {
  return !checkIsSafe(pos, move) && !givesDiscoveredCheck(pos, move);
}

// Extension of a made move for the passed-pawn pushes (2 to the 6th/7th rank, 1 to the
// 4th/5th), or 0.
int pawnPushExtension(const Position& pos, Move move) {
  if ((move & FLAG_PAWN_MOVE) == 0 || (move & FLAG_CAPTURE) != 0) return 0;
  const int mover = pos.xside;
  const int rank = relativeRank(moveTo(move), mover);
  if (rank < 3 || rank > 6 || !passedPawnTest(pos, moveTo(move), mover)) return 0;
  return rank >= 5 ? ONE_PLY : HALF_PLY;
}

// The extensions of a principal-variation or verification node for a made move.
int moveExtension(const Worker& pos, Move move, bool nodeWasInCheck) {
  const int push = pawnPushExtension(pos, move);
  if (push) return push;
  if (nodeInCheck(pos) || ((move & FLAG_CAPTURE) && !(move & FLAG_EN_PASSANT))) return HALF_PLY;
  return nodeWasInCheck && pos.engine->margins.gameStage >= 2 ? HALF_PLY : 0;
}

int firstMoveExtensionForEvasions(int evasions) { return evasions == 1 ? ONE_PLY : evasions == 2 ? HALF_PLY : 0; }

// The node searched again without `excluded` (a singular test) at bound `bound`.
template <class T>
int excludedSearch(Worker& pos, int bound, int depth, Move excluded) {
  return nodeInCheck(pos) ? searchZWDeepInCheck<T>(pos, bound, depth, excluded, MODE_SINGULAR_TEST, ONE_PLY)
                          : searchZWDeep<T>(pos, bound, depth, excluded, MODE_SINGULAR_TEST, ONE_PLY);
}

// Extension of the hash move of a principal-variation node at depth 16 or more.
template <class T>
int hashMoveExtension(Worker& pos, Move hashMove, int alpha, int beta, int depth, int parentEval, int eval) {
  EngineCore& engine = *pos.engine;
  if (!isMovePseudoLegal(pos, hashMove)) return 0;
  const bool nodeWasInCheck = nodeInCheck(pos);
  const Move previous = pos.undo[pos.gamePly - 1].move;
  if (!makeMove(pos, hashMove, alpha, beta)) return 0;
  const int mover = pos.xside;
  const int to = moveTo(hashMove);
  const bool recapture = previous != MOVE_NONE && to == moveTo(previous) && (hashMove & FLAG_CAPTURE) &&
                         -(parentEval + eval) > 2 * engine.margins.standPatBonus + 50;
  const bool bigPush = (hashMove & FLAG_PAWN_MOVE) && !(hashMove & FLAG_CAPTURE) &&
                       relativeRank(to, mover) >= 5 && relativeRank(to, mover) <= 6 && passedPawnTest(pos, to, mover);
  int extension = -1;
  if (recapture || bigPush) {
    extension = ONE_PLY;
  } else if (nodeInCheck(pos) || ((hashMove & FLAG_CAPTURE) && !(hashMove & FLAG_EN_PASSANT)) ||
             (engine.margins.gameStage >= 2 && nodeWasInCheck) ||
             ((hashMove & FLAG_PAWN_MOVE) && relativeRank(to, mover) >= 3 && passedPawnTest(pos, to, mover))) {
    extension = HALF_PLY;
  }
  int s = 0;
  if (extension < 0) s = -searchPV<T>(pos, -beta, -alpha, depth - 6 * ONE_PLY, eval, 0);
  unmakeMove(pos);
  if (extension >= 0) return extension;
  if (stopped(pos) || s <= alpha) return 0;
  // Singular test: does every other move fail low well below the hash move's score?
  if (depth >= 13 * ONE_PLY) {
    const int bound = std::min(s - 80, 20000);
    const int v = excludedSearch<T>(pos, bound, depth - 7 * ONE_PLY, hashMove);
    if (stopped(pos)) return 0;
    if (v < bound) return ONE_PLY;
  }
  const int v = excludedSearch<T>(pos, s - 16, depth - 5 * ONE_PLY, hashMove);
  return !stopped(pos) && v < s - 16 ? ONE_PLY : 0;
}


// ---- The move loops: one routine per node kind for a single move, run alike by the
// node's own thread and by the threads helping with the node after a split ----

// Lazy-evaluation margins of the in-check nodes' moves around beta.
constexpr int SHALLOW_LAZY_MARGIN = 50;
constexpr int DEEP_LAZY_MARGIN = 150;

enum MoveStep { STEP_SEARCHED, STEP_SKIPPED, STEP_CUT, STEP_SETTLED, STEP_STOPPED };
enum LoopEnd { LOOP_DONE, LOOP_SETTLED, LOOP_STOPPED };

// The zero-window child of a deep node: checking moves extend by half a ply.
template <class T>
int deepChild(Worker& pos, int beta, int childDepth, int mode, int depth) {
  return -searchZWAny<T>(pos, 1 - beta, childDepth, (mode ^ MODE_EXPECTED_CUT) | MODE_NULL_ALLOWED, depth - childDepth);
}

// After a move at depth: an exact entry of sufficient depth stored meanwhile (by
// another thread) ends the node with its move as the line.
template <class T>
MoveStep settledByEntry(Worker& pos, int depth, NodeProgress& p) {
  int result;
  if (!T::exactEntryEnds(pos, depth, result)) return STEP_SEARCHED;
  p.best = result;
  return STEP_SETTLED;
}

// A move that gives no check cannot mate at once; where nothing slower reaches beta it
// is left out, and the node's bound stays below beta.
MoveStep skipNonMating(Worker& pos, int beta, NodeProgress& p) {
  unmakeMove(pos);
  p.best = std::max(p.best, beta - 1);
  return STEP_SKIPPED;
}

template <class T>
MoveStep pvMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move) {
  if (reverses(move, f.previous) && p.alpha >= 0 && pos.rule50 > 1) {
    p.best = std::max(p.best, 0);
    p.reversalSkipped = true;
    return STEP_SKIPPED;
  }
  const int alpha = p.alpha, beta = f.beta, depth = f.depth;
  if (!makeMove(pos, move, alpha, beta)) return STEP_SKIPPED;
  int childDepth = depth - ONE_PLY + moveExtension(pos, move, f.inCheckNode);
  if (p.searched == 0) childDepth = std::max(childDepth, depth - ONE_PLY + f.firstExtension);
  int score;
  if (childDepth < ONE_PLY) {
    score = -quiesceAny<T>(pos, -beta, -alpha);
  } else if (p.searched == 0) {
    score = -searchPV<T>(pos, -beta, -alpha, childDepth, f.eval, f.flags);
  } else {
    score = -searchZWAny<T>(pos, -alpha, childDepth, MODE_PV_CHILD, depth - childDepth);
    if (score > alpha && !stopped(pos) && depth >= 8 * ONE_PLY && (f.flags || beta >= alpha + 200)) {
      score = -searchVerify<T>(pos, -alpha, childDepth, f.eval, VERIFY_PV_MOVE);
    }
    if (score > alpha && !stopped(pos)) score = -searchPV<T>(pos, -beta, -alpha, childDepth, f.eval, 0);
  }
  unmakeMove(pos);
  if (stopped(pos)) return STEP_STOPPED;
  ++p.searched;
  if (score > p.best) {
    p.best = score;
    if (score > p.alpha) {
      p.alpha = score;
      p.bestMove = move;
      updatePV(pos, move);
      if (score >= beta) return STEP_CUT;
    }
  }
  if (isQuiet(move) && score <= p.alpha && !sameMove(move, p.bestMove)) {
    historyLoss(pos, f.historySelect, move, depth);
  }
  return depth >= DEEP_DEPTH ? settledByEntry<T>(pos, depth, p) : STEP_SEARCHED;
}

template <class T>
MoveStep verifyMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move) {
  const int beta = f.beta, depth = f.depth;
  if (reverses(move, f.previous) && beta > 0 && pos.rule50 > 1) {
    p.best = std::max(p.best, 0);
    p.reversalSkipped = true;
    return STEP_SKIPPED;
  }
  if (!makeMove(pos, move, beta - 1, beta)) return STEP_SKIPPED;
  int childDepth = depth - ONE_PLY + moveExtension(pos, move, f.inCheckNode);
  if (p.searched == 0) childDepth = std::max(childDepth, depth - ONE_PLY + f.firstExtension);
  const int score = childDepth < ONE_PLY ? -quiesceAny<T>(pos, -beta, 1 - beta)
                                   : -searchZWAny<T>(pos, 1 - beta, childDepth, MODE_PV_CHILD, depth - childDepth);
  unmakeMove(pos);
  if (stopped(pos)) return STEP_STOPPED;
  ++p.searched;
  if (raiseBestToCut(pos, move, score, beta, p.best, p.bestMove)) return STEP_CUT;
  if (isQuiet(move)) historyLoss(pos, f.historySelect, move, depth);
  return STEP_SEARCHED;
}

template <class T>
MoveStep shallowMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move, int moveStage) {
  EngineCore& engine = *pos.engine;
  const int beta = f.beta, depth = f.depth, e = f.eval;
  const bool quiet = isQuiet(move);
  const int type = movingType(pos, move);
  const bool prunes = T::prunes(pos, beta);
  if (reverses(move, f.previous) && beta > -8 && pos.rule50 > 1) {
    p.best = std::max(p.best, -8);
    ++p.legal;
    return STEP_SKIPPED;
  }
  if (moveStage == PICK_GAIN_QUIETS && mayGiveCheck(pos, move)) return STEP_SKIPPED;  // searched as a check already
  if (prunes && moveStage == PICK_QUIETS && p.searched > 4 &&
      largestGain(*engine.evalData.gains, gainIndex(pos.board[moveFrom(move)], move)) + 2 * depth + e <
          beta + T::margin(pos, MARGIN_MOVE_GAIN) + p.searched &&
      !mayGiveCheck(pos, move)) {
    p.pruned = true;
    return STEP_SKIPPED;
  }
  if (prunes && quiet && !sameMove(move, f.hashMove) && type != KING && quietMoveLoses(pos, move)) {
    p.pruned = true;
    return STEP_SKIPPED;
  }
  if (prunes && depth <= 2 * ONE_PLY && (move & FLAG_CAPTURE) && !(move & FLAG_EN_PASSANT) &&
      !sameMove(move, f.hashMove) && type != KING) {
    const int victim = typeOfCode(pos.board[moveTo(move)]);
    const int margin = T::margin(pos, MARGIN_CAPTURE);
    const bool test = victim == PAWN ? type != PAWN && e - 2 * margin < beta : e - margin < beta;
    if (test && !captureIsSafe(pos, move)) {
      p.pruned = true;
      return STEP_SKIPPED;
    }
  }
  if (!makeMove(pos, move, beta - 50, beta + 50)) return STEP_SKIPPED;
  ++p.legal;
  const bool givesCheck = nodeInCheck(pos);
  if (!givesCheck && T::onlyMateInOneReaches(beta, pos.ply - 1)) return skipNonMating(pos, beta, p);
  if (prunes && p.searched > 4 && !givesCheck &&
      2 * depth - nodeEval(pos) < p.searched + beta + T::margin(pos, MARGIN_LATE_MOVE)) {
    unmakeMove(pos);
    p.pruned = true;
    return STEP_SKIPPED;
  }
  int score;
  if (givesCheck) {
    score = -searchZWInCheck<T>(pos, 1 - beta, depth - HALF_PLY);
  } else if (depth - ONE_PLY <= HALF_PLY) {
    score = -searchFrontier<T>(pos, 1 - beta, QUIESCE_CHECK_PLIES);
  } else {
    score = -searchZW<T>(pos, 1 - beta, depth - ONE_PLY);
  }
  unmakeMove(pos);
  if (stopped(pos)) return STEP_STOPPED;
  ++p.searched;
  if (raiseBestToCut(pos, move, score, beta, p.best, p.bestMove)) return STEP_CUT;
  if (quiet) historyLoss(pos, f.historySelect, move, depth);
  return STEP_SEARCHED;
}

template <class T>
MoveStep deepMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move, int moveStage) {
  EngineCore& engine = *pos.engine;
  const int beta = f.beta, depth = f.depth, e = f.eval;
  if (f.excludedMove != MOVE_NONE && sameMove(move, f.excludedMove)) return STEP_SKIPPED;
  const bool quiet = isQuiet(move);
  if (reverses(move, f.previous) && beta > 0 && pos.rule50 > 1) {
    p.best = std::max(p.best, 0);
    ++p.searched;
    ++p.legal;
    return STEP_SKIPPED;
  }
  const bool prunes = T::prunes(pos, beta), reduces = T::reduces(pos, beta);
  if (prunes && moveStage == PICK_QUIETS && p.searched > 5 && depth <= 8 * ONE_PLY &&
      largestGain(*engine.evalData.gains, gainIndex(pos.board[moveFrom(move)], move)) + f.gainMargin + e <
          p.searched + beta + T::margin(pos, MARGIN_MOVE_GAIN) &&
      !mayGiveCheck(pos, move)) {
    p.pruned = true;
    return STEP_SKIPPED;
  }
  if (prunes && quiet && depth <= 6 * ONE_PLY && !sameMove(move, f.hashMove) && movingType(pos, move) != KING &&
      !checkIsSafe(pos, move) && !mayGiveCheck(pos, move)) {
    p.pruned = true;
    return STEP_SKIPPED;
  }
  if (!makeMove(pos, move, beta - 150, beta + 150)) return STEP_SKIPPED;
  ++p.legal;
  const bool givesCheck = nodeInCheck(pos);
  if (!givesCheck && T::onlyMateInOneReaches(beta, pos.ply - 1)) return skipNonMating(pos, beta, p);
  if (prunes && moveStage == PICK_QUIETS && p.searched > 5 && !givesCheck &&
      f.gainMargin - nodeEval(pos) < p.searched + beta + T::margin(pos, MARGIN_LATE_MOVE)) {
    unmakeMove(pos);
    p.pruned = true;
    return STEP_SKIPPED;
  }
  const int extension = std::max(sameMove(move, f.hashMove) ? f.hashExtension : 0, pawnPushExtension(pos, move));
  int score;
  if (givesCheck) {
    const int childDepth = extension ? depth - ONE_PLY + extension : depth - HALF_PLY;
    score = deepChild<T>(pos, beta, childDepth, f.mode, depth);
  } else {
    const int childDepth = depth - ONE_PLY + extension;
    if (reduces && moveStage == PICK_QUIETS && f.excludedMove == MOVE_NONE && (f.cutNode || p.searched >= 3)) {
      const int reduced = childDepth - f.lmrBase - (p.searched >= 12 ? 1 : 0);
      score = deepChild<T>(pos, beta, reduced, f.mode, depth);
      if (score >= beta && !stopped(pos)) score = deepChild<T>(pos, beta, childDepth, f.mode, depth);
    } else {
      score = deepChild<T>(pos, beta, childDepth, f.mode, depth);
    }
  }
  unmakeMove(pos);
  if (stopped(pos)) return STEP_STOPPED;
  ++p.searched;
  if (raiseBestToCut(pos, move, score, beta, p.best, p.bestMove)) return STEP_CUT;
  if (quiet) historyLoss(pos, f.historySelect, move, depth);
  return depth >= 6 * ONE_PLY && f.excludedMove == MOVE_NONE ? settledByEntry<T>(pos, depth, p) : STEP_SEARCHED;
}

// The child of an evasion: the shallow node's by check and stage, the deep node's
// extended for a single evasion, a checking one, or from the middle stages on.
template <class T>
int evasionChild(Worker& pos, const NodeFrame& f) {
  EngineCore& engine = *pos.engine;
  const int beta = f.beta, depth = f.depth;
  if (f.kind == NODE_SHALLOW_IN_CHECK) {
    const bool late = engine.margins.gameStage >= 2;
    if (nodeInCheck(pos)) return -searchZWInCheck<T>(pos, 1 - beta, late ? depth : depth - HALF_PLY);
    if (depth <= (late ? ONE_PLY : ONE_PLY + HALF_PLY)) return -searchFrontier<T>(pos, 1 - beta, QUIESCE_CHECK_PLIES);
    return -searchZW<T>(pos, 1 - beta, late ? depth - HALF_PLY : depth - ONE_PLY);
  }
  // A single evasion is searched as deep as the node itself (half a ply less when the
  // check that led here was extended in full already, so that forced sequences stay
  // finite); a checking evasion, and any evasion from the middle stages on, half a
  // ply deeper than usual.
  const int singleReply = f.extensionBudget > 0 ? ONE_PLY : HALF_PLY;
  const int extension = f.evasions == 1                                      ? singleReply
                        : (nodeInCheck(pos) || engine.margins.gameStage >= 2) ? HALF_PLY
                                                                             : 0;
  const int childDepth = depth - ONE_PLY + extension;
  return -searchZWAny<T>(pos, 1 - beta, childDepth, (f.mode ^ MODE_EXPECTED_CUT) | MODE_NULL_ALLOWED,
                      depth - childDepth);
}

// An in-check zero-window node's move. Quiet evasions the exchange test rejects are
// skipped in the first pass and tried in a second one only when no other evasion is
// legal, rather than calling the position lost.
template <class T>
MoveStep evasionMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move) {
  const int beta = f.beta;
  if (f.excludedMove != MOVE_NONE && sameMove(move, f.excludedMove)) return STEP_SKIPPED;
  const bool losing = f.skipLosing && isQuiet(move) && !sameMove(move, f.hashMove) &&
                      movingType(pos, move) != KING && quietMoveLoses(pos, move);
  if (losing != (f.pass == 1)) {
    p.skipped += losing;
    return STEP_SKIPPED;
  }
  if (f.pass == 0 && reverses(move, f.previous) && beta > -8 && pos.rule50 > 1) {
    p.best = std::max(p.best, -8);
    ++p.legal;
    return STEP_SKIPPED;
  }
  if (!makeMove(pos, move, beta - f.lazyMargin, beta + f.lazyMargin)) return STEP_SKIPPED;
  ++p.legal;
  const int score = evasionChild<T>(pos, f);
  unmakeMove(pos);
  if (stopped(pos)) return STEP_STOPPED;
  if (score > p.best) {
    p.best = score;
    if (score >= beta) {
      p.bestMove = move;
      recordCutMove(pos, move);
      return STEP_CUT;
    }
  }
  if (isQuiet(move)) historyLoss(pos, f.historySelect, move, f.depth);
  return STEP_SEARCHED;
}

template <class T>
MoveStep searchMove(Worker& pos, const NodeFrame& f, NodeProgress& p, Move move, int moveStage) {
  switch (f.kind) {
    case NODE_PV: return pvMove<T>(pos, f, p, move);
    case NODE_VERIFY: return verifyMove<T>(pos, f, p, move);
    case NODE_SHALLOW: return shallowMove<T>(pos, f, p, move, moveStage);
    case NODE_DEEP: return deepMove<T>(pos, f, p, move, moveStage);
    default: return evasionMove<T>(pos, f, p, move);
  }
}

template <class T>
int splitSearch(Worker& copy);

// The owner's loop over the node's moves, with a split offer after each searched move.
template <class T>
LoopEnd moveLoop(Worker& pos, NodeFrame& f) {
  const PickState& ps = pos.pickState[pos.ply];
  while (const Move move = nextMove(pos)) {
    switch (searchMove<T>(pos, f, f.progress, move, ps.stage)) {
      case STEP_SKIPPED: continue;
      case STEP_CUT: return LOOP_DONE;
      case STEP_SETTLED: return LOOP_SETTLED;
      case STEP_STOPPED: return LOOP_STOPPED;
      case STEP_SEARCHED: break;
    }
    if (offerSplit(pos.engine->pool, pos, f, splitSearch<T>)) {
      if (stopped(pos)) return LOOP_STOPPED;
      return f.settled ? LOOP_SETTLED : LOOP_DONE;
    }
  }
  return LOOP_DONE;
}

// The evasion list of an in-check node: a second pass over it for the losing quiet
// evasions when nothing else was legal.
template <class T>
LoopEnd searchEvasions(Worker& pos, NodeFrame& f) {
  f.evasions = pickEvasions(pos, f.hashMove, f.historySelect);
  f.previous = previousOwnMove(pos);
  f.progress = {f.beta - 1, pos.ply - MATE_SCORE, MOVE_NONE, 0, 0, 0, false, false};
  PickState& ps = pos.pickState[pos.ply];
  const int listBegin = ps.nextIndex;
  for (f.pass = 0; f.pass < 2; ++f.pass) {
    if (f.pass == 1) {
      if (f.progress.legal > 0 || f.progress.skipped == 0) break;
      ps.nextIndex = listBegin;
    }
    if (moveLoop<T>(pos, f) == LOOP_STOPPED) return LOOP_STOPPED;
  }
  return stopped(pos) ? LOOP_STOPPED : LOOP_DONE;
}

// ---- Helping at a split point ----

// The split search of this node family: the node's remaining moves, taken one at a
// time from the owner's picker, searched on the helper's copy by the same per-move
// routine the owner runs.
template <class T>
int splitSearch(Worker& copy) {
  Worker& parent = *copy.parent;
  SplitPoint& point = *parent.split;
  const NodeFrame& node = *point.frame;
  const PickState& ps = parent.pickState[parent.ply];
  NodeProgress mine;
  ReportedCounts reported;
  {
    SpinGuard guard(point.lock);
    mine = node.progress;
  }
  reported = {mine.searched, mine.legal, mine.skipped};
  for (;;) {
    Move move;
    int moveStage;
    {
      SpinGuard guard(point.lock);
      // A line that beat the node's alpha is the node's at once, so that the other
      // copies search their moves against it rather than against a stale bound.
      mergeResult(copy, mine);
      exchangeCounts(point.frame->progress, mine, reported);
      move = nextMove(parent);
      moveStage = ps.stage;
    }
    if (move == MOVE_NONE) break;
    const MoveStep step = searchMove<T>(copy, node, mine, move, moveStage);
    if (step == STEP_STOPPED) return 0;
    if (step == STEP_CUT || step == STEP_SETTLED) {
      reportCutoff(copy, mine, step == STEP_SETTLED);
      return SPLIT_CUTOFF_SCORE;
    }
  }
  SpinGuard guard(point.lock);
  exchangeCounts(point.frame->progress, mine, reported);
  mergeResult(copy, mine);
  return mine.best;
}

// The frame of a principal-variation or verification node: its window, flags and
// first-move extension, nothing searched yet.
NodeFrame pvStyleFrame(const Position& pos, int kind, int alpha, int beta, int depth, int flags, int historySelect,
                       int firstExtension) {
  NodeFrame frame{};
  frame.kind = kind;
  frame.beta = beta;
  frame.depth = depth;
  frame.flags = flags;
  frame.historySelect = historySelect;
  frame.previous = previousOwnMove(pos);
  frame.inCheckNode = nodeInCheck(pos);
  frame.firstExtension = firstExtension;
  frame.progress = {alpha, NO_SCORE, MOVE_NONE, 0, 0, 0, false, false};
  return frame;
}

}  // namespace

std::uint64_t excludedKey(const Position& pos, Move excludedMove) {
  if (excludedMove == MOVE_NONE) return pos.hashKey;
  const int pseudoPiece = pos.side == WHITE ? 11 : 5;
  return pos.hashKey ^ pieceSquareKey[pseudoPiece][moveFrom(excludedMove)] ^
         pieceSquareKey[pseudoPiece][moveTo(excludedMove)];
}

template <class T>
int searchZWAny(Worker& pos, int beta, int depth, int mode, int extensionBudget) {
  if (depth <= HALF_PLY) return frontierAny<T>(pos, beta);
  if (nodeInCheck(pos)) {
    return depth < DEEP_DEPTH ? searchZWInCheck<T>(pos, beta, depth)
                              : searchZWDeepInCheck<T>(pos, beta, depth, MOVE_NONE, mode, extensionBudget);
  }
  return depth < DEEP_DEPTH ? searchZW<T>(pos, beta, depth)
                            : searchZWDeep<T>(pos, beta, depth, MOVE_NONE, mode, extensionBudget);
}

template <class T>
int searchPV(Worker& pos, int alpha, int beta, int depth, int parentEval, int followFlag) {
  EngineCore& engine = *pos.engine;
  int result;
  if (entryEnds<T>(pos, true, alpha, beta, result)) return result;
  typename T::Probe probe;
  T::probe(pos, pos.hashKey, probe);
  if (T::pvProbeEnds(pos, probe, depth, alpha, beta, result)) return result;
  if (tablebaseEnds(pos, depth, pvProbeRule(pos), alpha, beta, result)) return result;
  const int ply = pos.ply;
  const int eval = nodeEval(pos);
  Move hashMove = probe.hashMove;
  Move altMove = MOVE_NONE;

  // Internal iterative deepening when the table knows too little about the node.
  if (probe.deepest < depth - (hashMove != MOVE_NONE ? 5 * ONE_PLY : ONE_PLY)) {
    if (depth >= 6 * ONE_PLY) {
      const int wide = searchPV<T>(pos, alpha, beta + 500, depth - 4 * ONE_PLY, parentEval, followFlag);
      Move found = pvFirst(pos);
      if (!stopped(pos) && wide > alpha) {
        searchPV<T>(pos, alpha, beta, depth - 2 * ONE_PLY, parentEval, followFlag);
        const Move second = pvFirst(pos);
        if (second != MOVE_NONE && found != MOVE_NONE && !sameMove(second, found)) altMove = found;
        if (second != MOVE_NONE) found = second;
      }
      if (found != MOVE_NONE) hashMove = found;
    } else if (depth >= 2 * ONE_PLY) {
      searchPV<T>(pos, alpha, beta, depth - ONE_PLY, parentEval, followFlag);
      if (pvFirst(pos) != MOVE_NONE) hashMove = pvFirst(pos);
    } else {
      quiesceAny<T>(pos, alpha, beta);
      typename T::Probe after;
      T::probe(pos, pos.hashKey, after);
      if (after.hashMove != MOVE_NONE) hashMove = after.hashMove;
    }
    if (stopped(pos)) return 0;
    pos.pvLength[ply] = ply;
  }

  const bool inCheckNode = nodeInCheck(pos);
  int firstExtension = 0;
  if (depth >= 8 * ONE_PLY && hashMove != MOVE_NONE) {
    firstExtension = hashMoveExtension<T>(pos, hashMove, alpha, beta, depth, parentEval, eval);
    if (stopped(pos)) return 0;
    pos.pvLength[ply] = ply;
  }
  const int historySelect = eval + 100 < alpha;
  if (inCheckNode) {
    firstExtension = std::max(firstExtension, firstMoveExtensionForEvasions(pickEvasions(pos, hashMove, historySelect)));
  } else {
    pos.pickState[ply].altMove = altMove;
    pickStart(pos, PICK_HASH, hashMove, historySelect, 0);
  }

  NodeFrame frame = pvStyleFrame(pos, NODE_PV, alpha, beta, depth, followFlag, historySelect, firstExtension);
  frame.eval = eval;
  const LoopEnd end = moveLoop<T>(pos, frame);
  const NodeProgress& p = frame.progress;
  if (end == LOOP_STOPPED) return 0;
  if (end == LOOP_SETTLED) return p.best;
  if (p.searched == 0) {
    if (p.reversalSkipped) return p.best;
    return noMoveScore<T>(pos, inCheckNode, engine.margins.drawScore[pos.side]);
  }
  T::storePV(pos, depth, p.bestMove, p.best, beta);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, historySelect, p.bestMove, depth);
  return p.best;
}

template <class T>
int searchVerify(Worker& pos, int beta, int depth, int parentEval, int flags) {
  EngineCore& engine = *pos.engine;
  int result;
  if (entryEnds<T>(pos, (flags & VERIFY_PV_MOVE) != 0, beta - 1, beta, result)) return result;
  typename T::Probe probe;
  T::probe(pos, pos.hashKey, probe);
  if (T::verifyProbeEnds(pos, probe, depth, beta, result)) return result;
  if (tablebaseEnds(pos, depth, pvProbeRule(pos), beta - 1, beta, result)) return result;
  const int ply = pos.ply;
  const int eval = nodeEval(pos);
  Move hashMove = probe.hashMove;
  if (probe.deepest < depth - (hashMove != MOVE_NONE ? 5 * ONE_PLY : ONE_PLY) && depth >= 2 * ONE_PLY) {
    searchPV<T>(pos, beta - 1, beta, depth >= 6 * ONE_PLY ? depth - 2 * ONE_PLY : depth - ONE_PLY, parentEval, 0);
    if (stopped(pos)) return 0;
    if (pvFirst(pos) != MOVE_NONE) hashMove = pvFirst(pos);
    pos.pvLength[ply] = ply;
  }
  const bool inCheckNode = nodeInCheck(pos);
  const int historySelect = eval + 100 < beta;
  int firstExtension = 0;
  if (inCheckNode) {
    firstExtension = firstMoveExtensionForEvasions(pickEvasions(pos, hashMove, historySelect));
  } else {
    pickStart(pos, PICK_HASH, hashMove, historySelect, 0);
  }
  NodeFrame frame = pvStyleFrame(pos, NODE_VERIFY, beta - 1, beta, depth, flags, historySelect, firstExtension);
  if (moveLoop<T>(pos, frame) == LOOP_STOPPED) return 0;
  const NodeProgress& p = frame.progress;
  if (p.searched == 0) {
    if (p.reversalSkipped) return p.best;
    return noMoveScore<T>(pos, inCheckNode, (flags & VERIFY_PV_MOVE) ? engine.margins.drawScore[pos.side] : 0);
  }
  T::storeZeroWindow(pos, depth, p.bestMove, p.best, beta);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, historySelect, p.bestMove, depth);
  return p.best;
}

template <class T>
int searchZW(Worker& pos, int beta, int depth) {
  EngineCore& engine = *pos.engine;
  startNode(pos);
  const int e = nodeEval(pos);
  const bool prunes = T::prunes(pos, beta);
  if (prunes && e + T::margin(pos, MARGIN_RAZOR) < beta) return beta - 101;
  int result;
  if (entryEnds<T>(pos, false, beta - 1, beta, result)) return result;
  typename T::Probe probe;
  T::probe(pos, pos.hashKey, probe);
  if (T::shallowProbeEnds(pos, probe, beta, depth, result)) return result;
  if (prunes && e - 16 * depth - T::margin(pos, MARGIN_STATIC_CUT) >= beta) return e + engine.margins.standPatBonus;
  if (tablebaseEnds(pos, depth, shallowProbeRule(), beta - 1, beta, result)) return result;
  int best = std::min(e + engine.margins.standPatBonus, beta - 1);

  if (prunes && e >= beta) {
    makeNullMove(pos, -(e + engine.margins.standPatBonus));
    const int score = -searchFrontier<T>(pos, 1 - beta, QUIESCE_CHECK_PLIES);
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    if (score >= beta) {
      T::storeNullCut(pos, depth, score);
      return score;
    }
  }

  const Move hashMove = probe.hashMove;
  const int historySelect = e + 100 < beta;
  int stage = PICK_HASH, select = historySelect, gainLimit = 0;
  bool pruned = false;
  if (prunes && e + 8 * depth + T::margin(pos, MARGIN_FUTILE) < beta) {
    stage = PICK_FUTILE_HASH;
    select = 0;
    pruned = true;
    if (e + 8 * depth + T::margin(pos, MARGIN_FUTILE_STRICT) <= beta) {
      select = 1;
      best = std::min(e + 8 * depth + T::margin(pos, MARGIN_FUTILE_STRICT), beta - 1);
    }
  } else if (prunes && depth <= ONE_PLY + HALF_PLY && e + T::margin(pos, MARGIN_GAIN) < beta) {
    stage = PICK_GAIN_HASH;
    gainLimit = beta - e - T::margin(pos, MARGIN_GAIN);
    pruned = true;
  }
  pickStart(pos, stage, hashMove, select, gainLimit);
  NodeFrame frame{};
  frame.kind = NODE_SHALLOW;
  frame.beta = beta;
  frame.depth = depth;
  frame.eval = e;
  frame.historySelect = historySelect;
  frame.hashMove = hashMove;
  frame.previous = previousOwnMove(pos);
  frame.progress = {beta - 1, best, MOVE_NONE, 0, 0, 0, pruned, false};
  if (moveLoop<T>(pos, frame) == LOOP_STOPPED) return 0;
  const NodeProgress& p = frame.progress;
  if (p.legal == 0 && !p.pruned) return 0;  // stalemate
  best = p.best < beta && p.pruned && engine.margins.gameStage < 2 ? beta - 1 : p.best;
  T::storeZeroWindow(pos, depth, p.bestMove, best, beta);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, historySelect, p.bestMove, depth);
  return best;
}

template <class T>
int searchZWInCheck(Worker& pos, int beta, int depth) {
  int result;
  if (entryEnds<T>(pos, false, beta - 1, beta, result)) return result;
  typename T::Probe probe;
  T::probe(pos, pos.hashKey, probe);
  if (T::shallowProbeEnds(pos, probe, beta, depth, result)) return result;
  if (tablebaseEnds(pos, depth, shallowProbeRule(), beta - 1, beta, result)) return result;
  NodeFrame frame{};
  frame.kind = NODE_SHALLOW_IN_CHECK;
  frame.beta = beta;
  frame.depth = depth;
  frame.historySelect = nodeEval(pos) + 100 < beta;
  frame.hashMove = probe.hashMove;
  frame.skipLosing = T::prunes(pos, beta);
  frame.lazyMargin = SHALLOW_LAZY_MARGIN;
  if (searchEvasions<T>(pos, frame) == LOOP_STOPPED) return 0;
  const NodeProgress& p = frame.progress;
  T::storeZeroWindow(pos, depth, p.bestMove, p.best, beta);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, frame.historySelect, p.bestMove, depth);
  return p.best;
}

namespace {

// Entry, table and tablebase steps of a deep zero-window node; true when the node ends
// at once with `result`. Otherwise `key` is the node's table key and `hashMove` the
// table's move, never the excluded one.
template <class T>
bool deepEntryEnds(Worker& pos, int beta, int depth, Move excludedMove, int mode, std::uint64_t& key,
                   Move& hashMove, int& result) {
  if (entryEnds<T>(pos, false, beta - 1, beta, result)) return true;
  key = excludedKey(pos, excludedMove);
  typename T::Probe probe;
  T::probe(pos, key, probe);
  if (T::deepProbeEnds(pos, probe, key, beta, depth, mode, result)) return true;
  if (tablebaseEnds(pos, depth, deepProbeRule(pos), beta - 1, beta, result)) return true;
  hashMove = probe.hashMove;
  if (excludedMove != MOVE_NONE && sameMove(hashMove, excludedMove)) hashMove = MOVE_NONE;
  return false;
}

}  // namespace

template <class T>
int searchZWDeep(Worker& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget) {
  EngineCore& engine = *pos.engine;
  int result;
  std::uint64_t key;
  Move hashMove;
  if (deepEntryEnds<T>(pos, beta, depth, excludedMove, mode, key, hashMove, result)) return result;
  const int ply = pos.ply;
  const int e = nodeEval(pos);
  const bool cutNode = isExpectedCutNode(mode);
  Move altMove = MOVE_NONE;

  // Null move, with a verification search first at great depth and a cheap pre-test.
  const bool prunes = T::prunes(pos, beta);
  if (prunes && excludedMove == MOVE_NONE && (mode & MODE_NULL_ALLOWED) && e >= beta &&
      pos.pieceMaterial[pos.side] > 0) {
    bool tryNull = true;
    if (depth >= 9 * ONE_PLY) {
      tryNull = searchZWDeep<T>(pos, beta, depth - 6 * ONE_PLY, excludedMove, mode & ~MODE_NULL_ALLOWED, ONE_PLY) >= beta;
      altMove = pvFirst(pos);
      pos.pvLength[ply] = ply;
    }
    const int nullMode = (mode & ~MODE_NULL_ALLOWED) ^ MODE_EXPECTED_CUT;
    if (tryNull && !stopped(pos) && depth >= 6 * ONE_PLY) {
      makeNullMove(pos, -(e + engine.margins.standPatBonus));
      const int preTest = -searchZWAny<T>(pos, 1 - (beta - 40), depth - 7 * ONE_PLY, nullMode, ONE_PLY) + 40;
      unmakeMove(pos);
      tryNull = preTest >= beta;
    }
    if (tryNull && !stopped(pos)) {
      makeNullMove(pos, -(e + engine.margins.standPatBonus));
      const int score = -searchZWAny<T>(pos, 1 - beta, std::max(depth - 4 * ONE_PLY, ONE_PLY), nullMode, ONE_PLY);
      unmakeMove(pos);
      if (stopped(pos)) return 0;
      if (score >= beta) {
        T::storeDeep(pos, key, depth, MOVE_NONE, score, beta, mode);
        return score;
      }
    }
    if (stopped(pos)) return 0;
  }

  // Singular test of the hash move at expected cut nodes.
  int hashExtension = 0;
  if (depth >= 9 * ONE_PLY && cutNode && excludedMove == MOVE_NONE && hashMove != MOVE_NONE &&
      isMovePseudoLegal(pos, hashMove)) {
    const int score = searchZWDeep<T>(pos, beta - 30, depth - 5 * ONE_PLY, hashMove, MODE_SINGULAR_TEST, ONE_PLY);
    if (stopped(pos)) return 0;
    pos.pvLength[ply] = ply;
    if (score < beta - 30) {
      pos.checkInfo[pos.gamePly] |= SINGULAR_MARK;
      // A singular move right after another one, with the budget for this node spent
      // already, gets half the extension: chains of forced moves stay finite.
      const bool chain = pos.gamePly >= 2 && (pos.checkInfo[pos.gamePly - 2] & SINGULAR_MARK) != 0;
      hashExtension = chain && extensionBudget == 0 ? HALF_PLY : ONE_PLY;
    }
  }

  // Internal iterative deepening at expected cut nodes without a hash move.
  if (cutNode && hashMove == MOVE_NONE && (e + engine.margins.standPatBonus >= beta || depth >= 6 * ONE_PLY) &&
      (excludedMove == MOVE_NONE || depth > 6 * ONE_PLY + HALF_PLY)) {
    const int score = depth > 6 * ONE_PLY + HALF_PLY ? searchZWDeep<T>(pos, beta, depth - 2 * ONE_PLY, excludedMove, mode, extensionBudget)
                                 : searchZW<T>(pos, beta, depth - 2 * ONE_PLY);
    if (stopped(pos)) return 0;
    if (score >= beta && pvFirst(pos) != MOVE_NONE) hashMove = pvFirst(pos);
    pos.pvLength[ply] = ply;
  }

  const int historySelect = e + 100 < beta;
  int stage = PICK_HASH, select = historySelect;
  bool pruned = false;
  if (prunes && depth < 10 * ONE_PLY) {
    const int index = depth / ONE_PLY + (cutNode ? 10 : 0);
    if (e + engine.margins.futilityMargin[index] <= beta) {
      stage = PICK_FUTILE_HASH;
      select = e + engine.margins.futilityMargin2[index] <= beta;
      pruned = true;
    }
  }
  pos.pickState[ply].altMove = altMove;
  pickStart(pos, stage, hashMove, select, 0);
  const bool plainCut = cutNode && excludedMove == MOVE_NONE;
  NodeFrame frame{};
  frame.kind = NODE_DEEP;
  frame.beta = beta;
  frame.depth = depth;
  frame.eval = e;
  frame.historySelect = historySelect;
  frame.hashMove = hashMove;
  frame.excludedMove = excludedMove;
  frame.previous = previousOwnMove(pos);
  frame.mode = mode;
  frame.hashExtension = hashExtension;
  frame.lmrBase = plainCut ? 3 * ONE_PLY : ONE_PLY;
  frame.gainMargin = (plainCut ? 2 : 4) << std::clamp(depth - 3 * ONE_PLY, 0, 20);
  frame.cutNode = cutNode;
  frame.progress = {beta - 1, NO_SCORE, MOVE_NONE, 0, 0, 0, pruned, false};
  const LoopEnd end = moveLoop<T>(pos, frame);
  const NodeProgress& p = frame.progress;
  if (end == LOOP_STOPPED) return 0;
  if (end == LOOP_SETTLED) return p.best;
  int best = p.best;
  if (p.legal == 0) {
    if (!p.pruned && excludedMove == MOVE_NONE) return 0;  // stalemate
    if (p.pruned) best = beta - 1;
  }
  T::storeDeep(pos, key, depth, p.bestMove, best, beta, mode);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, historySelect, p.bestMove, depth);
  return best;
}

template <class T>
int searchZWDeepInCheck(Worker& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget) {
  int result;
  std::uint64_t key;
  Move hashMove;
  if (deepEntryEnds<T>(pos, beta, depth, excludedMove, mode, key, hashMove, result)) return result;
  NodeFrame frame{};
  frame.kind = NODE_DEEP_IN_CHECK;
  frame.beta = beta;
  frame.depth = depth;
  frame.historySelect = nodeEval(pos) + 100 < beta;
  frame.hashMove = hashMove;
  frame.excludedMove = excludedMove;
  frame.mode = mode;
  frame.extensionBudget = extensionBudget;
  frame.skipLosing = depth <= 6 * ONE_PLY && T::prunes(pos, beta);
  frame.lazyMargin = DEEP_LAZY_MARGIN;
  if (searchEvasions<T>(pos, frame) == LOOP_STOPPED) return 0;
  const NodeProgress& p = frame.progress;
  T::storeDeep(pos, key, depth, p.bestMove, p.best, beta, mode);
  if (p.bestMove != MOVE_NONE && isQuiet(p.bestMove)) rewardQuietMove(pos, frame.historySelect, p.bestMove, depth);
  return p.best;
}

// The two families of node routines: the normal search and the decided-position search.
#define VELT_NODE_FAMILY(Table)                                                                  \
  template int searchPV<Table>(Worker&, int, int, int, int, int);                              \
  template int searchVerify<Table>(Worker&, int, int, int, int);                               \
  template int searchZW<Table>(Worker&, int, int);                                             \
  template int searchZWInCheck<Table>(Worker&, int, int);                                      \
  template int searchZWDeep<Table>(Worker&, int, int, Move, int, int);                         \
  template int searchZWDeepInCheck<Table>(Worker&, int, int, Move, int, int);                  \
  template int searchZWAny<Table>(Worker&, int, int, int, int);
VELT_NODE_FAMILY(NormalTable)
VELT_NODE_FAMILY(DecidedTable)

}  // namespace velt
