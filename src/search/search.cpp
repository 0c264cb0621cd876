// The node routines: principal-variation, verification and zero-window nodes.
#include "search/search.h"

#include <algorithm>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/evaluate.h"
#include "search/history.h"
#include "search/margins.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/quiesce.h"
#include "search/tablebase_sites.h"
#include "search/tt.h"
#include "shell/options.h"

namespace {

constexpr int NO_SCORE = -30500;  // below every real score: nothing searched yet

// ---- Entry, table probe and bookkeeping shared by the node kinds ----

// Entry steps 1-4; true when the node ends at once with `result`. Principal-variation
// style nodes score draws with drawScore, zero-window nodes with 0.
bool entryEnds(Position& pos, bool pvStyle, int& result) {
  startNode(pos);
  pos.checkInfo[pos.gamePly] &= ~SINGULAR_MARK;
  pos.pickState[pos.ply].altMove = MOVE_NONE;
  const int draw = pvStyle ? drawScore[pos.side] : 0;
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
  return false;
}

// Tablebase probe rules by node kind: the shallow zero-window nodes stop at four men,
// the deep ones probe five men only deep and with white to move.
constexpr int DEEP_FIVE_MEN_DEPTH = 14;
TablebaseProbeRule pvProbeRule() { return {5, 2 * options.minEgtbDepth, false, true}; }
TablebaseProbeRule shallowProbeRule() { return {4, 0, false, false}; }
TablebaseProbeRule deepProbeRule() {
  return {5, std::max(2 * options.minEgtbDepth, DEEP_FIVE_MEN_DEPTH), true, false};
}

// The matching entries of a node's bucket, and the hash move they offer.
struct Probe {
  int count = 0;
  TTHit hits[4];
  TTEntry* entries[4];
  Move hashMove = MOVE_NONE;
  int deepest = -1;  // depth of the deepest matching entry
};

void probeTable(Position& pos, std::uint64_t key, Probe& probe) {
  TTEntry* bucket = ttBucket(key);
  int bestQuality = -1, hashFromTo = 0;
  for (int i = 0; i < 4; ++i) {
    TTHit& hit = probe.hits[probe.count];
    if (!ttMatches(bucket[i], key) || !ttRead(bucket[i], key, hit)) continue;
    probe.entries[probe.count++] = &bucket[i];
    probe.deepest = std::max(probe.deepest, hit.depth);
    const int quality = (hit.bound & TT_LOWER) ? hit.depth : 2;
    if (hit.fromTo != 0 && quality > bestQuality) {
      bestQuality = quality;
      hashFromTo = hit.fromTo;
    }
  }
  if (hashFromTo != 0) probe.hashMove = ttMoveToMove(pos, hashFromTo);
}

bool cutsLow(const TTHit& hit, int beta) { return (hit.bound & TT_LOWER) && hit.score >= beta; }
bool cutsHigh(const TTHit& hit, int beta) { return (hit.bound & TT_UPPER) && hit.score < beta; }

// After a move at depth: an exact entry of sufficient depth stored meanwhile (by
// another thread) ends the node with its move as the line.
bool exactEntryEnds(Position& pos, int depth, int& result) {
  TTEntry* bucket = ttBucket(pos.hashKey);
  for (int i = 0; i < 4; ++i) {
    TTHit hit;
    if (!ttMatches(bucket[i], pos.hashKey) || !ttRead(bucket[i], pos.hashKey, hit)) continue;
    if (hit.bound == TT_EXACT && hit.depth >= depth) {
      const int ply = pos.ply;
      pos.pvLength[ply] = ply;
      if (hit.fromTo != 0) {
        pos.pv[ply][ply] = ttMoveToMove(pos, hit.fromTo);
        pos.pvLength[ply] = ply + 1;
      }
      result = hit.score;
      return true;
    }
  }
  return false;
}

int tableDepth(int depth) { return std::clamp(depth, 0, MAX_TT_DEPTH); }

Move pvFirst(const Position& pos) { return pos.pvLength[pos.ply] > pos.ply ? pos.pv[pos.ply][pos.ply] : MOVE_NONE; }

// A move that raised alpha heads the node's line, followed by the child's line.
void updatePV(Position& pos, Move move) {
  const int ply = pos.ply;
  pos.pv[ply][ply] = move;
  const int childEnd = ply + 1 < MAX_PLY ? std::max(pos.pvLength[ply + 1], ply + 1) : ply + 1;
  for (int i = ply + 1; i < childEnd; ++i) pos.pv[ply][i] = pos.pv[ply + 1][i];
  pos.pvLength[ply] = childEnd;
}

void recordCutMove(Position& pos, Move move) {
  pos.pv[pos.ply][pos.ply] = move;
  pos.pvLength[pos.ply] = pos.ply + 1;
}

// A zero-window node takes a child's score; true when the move cuts the node off.
bool raiseBestToCut(Position& pos, Move move, int score, int beta, int& best, Move& bestMove) {
  if (score <= best) return false;
  best = score;
  if (score < beta) return false;
  bestMove = move;
  recordCutMove(pos, move);
  return true;
}

int& historyEntry(const Position& pos, int select, Move move) {
  return historyTable[select][moveTo(move)][pos.board[moveFrom(move)]];
}

void historyLoss(const Position& pos, int select, Move move, int depth) {
  int& entry = historyEntry(pos, select, move);
  entry -= (entry * depth) >> 10;
}

// A quiet best move gains history and becomes the first killer.
void rewardQuietMove(Position& pos, int select, Move move, int depth) {
  int& entry = historyEntry(pos, select, move);
  entry += ((HISTORY_MAX - entry) * depth) >> 10;
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
  return rank >= 5 ? 2 : 1;
}

// The extensions of a principal-variation or verification node for a made move.
int moveExtension(const Position& pos, Move move, bool nodeWasInCheck) {
  const int push = pawnPushExtension(pos, move);
  if (push) return push;
  if (nodeInCheck(pos) || ((move & FLAG_CAPTURE) && !(move & FLAG_EN_PASSANT))) return 1;
  return nodeWasInCheck && gameStage >= 2 ? 1 : 0;
}

int firstMoveExtensionForEvasions(int evasions) { return evasions == 1 ? 2 : evasions == 2 ? 1 : 0; }

// The node searched again without `excluded` (a singular test) at bound `bound`.
int excludedSearch(Position& pos, int bound, int depth, Move excluded) {
  return nodeInCheck(pos) ? searchZWDeepInCheck(pos, bound, depth, excluded, MODE_SINGULAR_TEST, 2)
                          : searchZWDeep(pos, bound, depth, excluded, MODE_SINGULAR_TEST, 2);
}

// Extension of the hash move of a principal-variation node at depth 16 or more.
int hashMoveExtension(Position& pos, Move hashMove, int alpha, int beta, int depth, int parentEval, int eval) {
  if (!isMovePseudoLegal(pos, hashMove)) return 0;
  const bool nodeWasInCheck = nodeInCheck(pos);
  const Move previous = pos.undo[pos.gamePly - 1].move;
  if (!makeMove(pos, hashMove, alpha, beta)) return 0;
  const int mover = pos.xside;
  const int to = moveTo(hashMove);
  const bool recapture = previous != MOVE_NONE && to == moveTo(previous) && (hashMove & FLAG_CAPTURE) &&
                         -(parentEval + eval) > 2 * standPatBonus + 50;
  const bool bigPush = (hashMove & FLAG_PAWN_MOVE) && !(hashMove & FLAG_CAPTURE) &&
                       relativeRank(to, mover) >= 5 && relativeRank(to, mover) <= 6 && passedPawnTest(pos, to, mover);
  int extension = -1;
  if (recapture || bigPush) {
    extension = 2;
  } else if (nodeInCheck(pos) || ((hashMove & FLAG_CAPTURE) && !(hashMove & FLAG_EN_PASSANT)) ||
             (gameStage >= 2 && nodeWasInCheck) ||
             ((hashMove & FLAG_PAWN_MOVE) && relativeRank(to, mover) >= 3 && passedPawnTest(pos, to, mover))) {
    extension = 1;
  }
  int s = 0;
  if (extension < 0) s = -searchPV(pos, -beta, -alpha, depth - 12, eval, 0);
  unmakeMove(pos);
  if (extension >= 0) return extension;
  if (stopped(pos) || s <= alpha) return 0;
  // Singular test: does every other move fail low well below the hash move's score?
  if (depth >= 26) {
    const int bound = std::min(s - 80, 20000);
    const int v = excludedSearch(pos, bound, depth - 14, hashMove);
    if (stopped(pos)) return 0;
    if (v < bound) return 2;
  }
  const int v = excludedSearch(pos, s - 16, depth - 10, hashMove);
  return !stopped(pos) && v < s - 16 ? 2 : 0;
}

// The table stores of a zero-window node (neither flag).
void storeZeroWindow(std::uint64_t key, int depth, Move bestMove, int best, int beta) {
  if (best >= beta) {
    if (ttLowerStorable(best)) ttStoreLower(key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(best));
  } else if (ttUpperStorable(best)) {
    ttStoreUpperPlain(key, tableDepth(depth), 0, ttUpperField(best));
  }
}

// The keyed stores of a deep zero-window node: lower bounds of expected all nodes and
// upper bounds of expected cut nodes are restricted to nodes of the same kind.
void storeDeep(std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode) {
  if (best >= beta) {
    if (ttLowerStorable(best)) {
      ttStoreLowerKeyed(key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(best), (mode & 12) == 0);
    }
  } else if (ttUpperStorable(best)) {
    ttStoreUpperKeyed(key, tableDepth(depth), 0, ttUpperField(best), (mode & 12) == MODE_EXPECTED_CUT);
  }
}

// Deep-node probe: entries of sufficient depth cut, restricted ones only for nodes of
// the kind that stored them. Their age is refreshed.
bool deepProbeEnds(Probe& probe, std::uint64_t key, int beta, int depth, int mode, int& result) {
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    const bool restricted = (hit.flags & TT_RESTRICTED) != 0;
    if ((cutsLow(hit, beta) && (!restricted || (mode & 12) == 0)) ||
        (cutsHigh(hit, beta) && (!restricted || (mode & 12) == MODE_EXPECTED_CUT))) {
      ttRefreshAge(*probe.entries[i], key);
      result = hit.score;
      return true;
    }
  }
  return false;
}

bool shallowProbeEnds(const Probe& probe, int beta, int depth, int& result) {
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth >= depth && (cutsLow(hit, beta) || cutsHigh(hit, beta))) {
      result = hit.score;
      return true;
    }
  }
  return false;
}

// Searches the evasion list of an in-check zero-window node. Quiet evasions the
// exchange test rejects are skipped, unless no other evasion is legal: then they
// are searched after all rather than calling the position lost.
template <typename SearchChild>
int searchEvasions(Position& pos, int beta, int depth, Move hashMove, Move excluded, bool skipLosing,
                   int lazyMargin, int historySelect, Move& bestMove, SearchChild&& child) {
  const int evasions = pickEvasions(pos, hashMove, historySelect);
  PickState& ps = pos.pickState[pos.ply];
  const int listBegin = ps.nextIndex;
  const Move previous = previousOwnMove(pos);
  int best = pos.ply - MATE_SCORE;
  int legal = 0, skipped = 0;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {
      if (legal > 0 || skipped == 0) break;
      ps.nextIndex = listBegin;
    }
    while (const Move move = nextMove(pos)) {
      if (excluded != MOVE_NONE && sameMove(move, excluded)) continue;
      const bool losing = skipLosing && isQuiet(move) && !sameMove(move, hashMove) &&
                          movingType(pos, move) != KING && quietMoveLoses(pos, move);
      if (losing != (pass == 1)) {
        skipped += losing;
        continue;
      }
      if (pass == 0 && reverses(move, previous) && beta > -8 && pos.rule50 > 1) {
        best = std::max(best, -8);
        ++legal;
        continue;
      }
      if (!makeMove(pos, move, beta - lazyMargin, beta + lazyMargin)) continue;
      ++legal;
      const int score = child(move, evasions);
      unmakeMove(pos);
      if (stopped(pos)) return 0;
      if (score > best) {
        best = score;
        if (score >= beta) {
          bestMove = move;
          return best;
        }
      }
      if (isQuiet(move)) historyLoss(pos, historySelect, move, depth);
      offerSplit(pos);
    }
  }
  return best;
}

// The zero-window child of a deep node: checking moves extend by half a ply.
int deepChild(Position& pos, int beta, int childDepth, int mode, int depth) {
  return -searchZWAny(pos, 1 - beta, childDepth, (mode ^ MODE_EXPECTED_CUT) | MODE_NULL_ALLOWED, depth - childDepth);
}

}  // namespace

std::uint64_t excludedKey(const Position& pos, Move excludedMove) {
  if (excludedMove == MOVE_NONE) return pos.hashKey;
  const int pseudoPiece = pos.side == WHITE ? 11 : 5;
  return pos.hashKey ^ pieceSquareKey[pseudoPiece][moveFrom(excludedMove)] ^
         pieceSquareKey[pseudoPiece][moveTo(excludedMove)];
}

int searchZWAny(Position& pos, int beta, int depth, int mode, int extensionBudget) {
  if (depth <= 1) return frontierAny(pos, beta);
  if (nodeInCheck(pos)) {
    return depth < DEEP_DEPTH ? searchZWInCheck(pos, beta, depth)
                              : searchZWDeepInCheck(pos, beta, depth, MOVE_NONE, mode, extensionBudget);
  }
  return depth < DEEP_DEPTH ? searchZW(pos, beta, depth)
                            : searchZWDeep(pos, beta, depth, MOVE_NONE, mode, extensionBudget);
}

int searchPV(Position& pos, int alpha, int beta, int depth, int parentEval, int followFlag) {
  int result;
  if (entryEnds(pos, true, result)) return result;
  Probe probe;
  probeTable(pos, pos.hashKey, probe);
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    if (hit.bound == TT_EXACT) {
      ttRefreshAge(*probe.entries[i], pos.hashKey);
      return hit.score;
    }
    if (depth < 6) {
      if (hit.bound == TT_LOWER && hit.score >= beta) return hit.score;
      if (hit.bound == TT_UPPER && hit.score < beta) {
        beta = hit.score;
        if (hit.score <= alpha) return hit.score;
      }
    }
  }
  if (tablebaseEnds(pos, depth, pvProbeRule(), result)) return result;
  const int ply = pos.ply;
  const int eval = nodeEval(pos);
  Move hashMove = probe.hashMove;
  Move altMove = MOVE_NONE;

  // Internal iterative deepening when the table knows too little about the node.
  if (probe.deepest < depth - (hashMove != MOVE_NONE ? 10 : 2)) {
    if (depth >= 12) {
      const int wide = searchPV(pos, alpha, beta + 500, depth - 8, parentEval, followFlag);
      Move found = pvFirst(pos);
      if (!stopped(pos) && wide > alpha) {
        searchPV(pos, alpha, beta, depth - 4, parentEval, followFlag);
        const Move second = pvFirst(pos);
        if (second != MOVE_NONE && found != MOVE_NONE && !sameMove(second, found)) altMove = found;
        if (second != MOVE_NONE) found = second;
      }
      if (found != MOVE_NONE) hashMove = found;
    } else if (depth >= 4) {
      searchPV(pos, alpha, beta, depth - 2, parentEval, followFlag);
      if (pvFirst(pos) != MOVE_NONE) hashMove = pvFirst(pos);
    } else {
      quiesceAny(pos, alpha, beta);
      Probe after;
      probeTable(pos, pos.hashKey, after);
      if (after.hashMove != MOVE_NONE) hashMove = after.hashMove;
    }
    if (stopped(pos)) return 0;
    pos.pvLength[ply] = ply;
  }

  const bool inCheckNode = nodeInCheck(pos);
  int firstExtension = 0;
  if (depth >= 16 && hashMove != MOVE_NONE) {
    firstExtension = hashMoveExtension(pos, hashMove, alpha, beta, depth, parentEval, eval);
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

  int best = NO_SCORE;
  Move bestMove = MOVE_NONE;
  int searched = 0;
  bool reversalSkipped = false;
  const Move previous = previousOwnMove(pos);
  while (const Move move = nextMove(pos)) {
    if (reverses(move, previous) && alpha >= 0 && pos.rule50 > 1) {
      best = std::max(best, 0);
      reversalSkipped = true;
      continue;
    }
    if (!makeMove(pos, move, alpha, beta)) continue;
    int childDepth = depth - 2 + moveExtension(pos, move, inCheckNode);
    if (searched == 0) childDepth = std::max(childDepth, depth - 2 + firstExtension);
    int score;
    if (childDepth < 2) {
      score = -quiesceAny(pos, -beta, -alpha);
    } else if (searched == 0) {
      score = -searchPV(pos, -beta, -alpha, childDepth, eval, followFlag);
    } else {
      score = -searchZWAny(pos, -alpha, childDepth, MODE_PV_CHILD, depth - childDepth);
      if (score > alpha && !stopped(pos) && depth >= 16 && (followFlag || beta >= alpha + 200)) {
        score = -searchVerify(pos, -alpha, childDepth, eval, VERIFY_PV_MOVE);
      }
      if (score > alpha && !stopped(pos)) score = -searchPV(pos, -beta, -alpha, childDepth, eval, 0);
    }
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    ++searched;
    if (score > best) {
      best = score;
      if (score > alpha) {
        alpha = score;
        bestMove = move;
        updatePV(pos, move);
        if (score >= beta) break;
      }
    }
    if (isQuiet(move) && score <= alpha && !sameMove(move, bestMove)) historyLoss(pos, historySelect, move, depth);
    if (depth >= DEEP_DEPTH && exactEntryEnds(pos, depth, result)) return result;
    offerSplit(pos);
  }
  if (searched == 0) {
    if (reversalSkipped) return best;
    return inCheckNode ? ply - MATE_SCORE : drawScore[pos.side];
  }
  const int stored = tableDepth(depth);
  if (best >= beta) {
    if (ttLowerStorable(best)) ttStoreLowerTrusted(pos.hashKey, stored, moveFromTo(bestMove), ttLowerField(best));
  } else if (bestMove == MOVE_NONE) {
    if (ttUpperStorable(best)) ttStoreUpper(pos.hashKey, stored, 0, ttUpperField(best));
  } else {
    ttStoreExactClipped(pos.hashKey, stored, moveFromTo(bestMove), best);
  }
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}

int searchVerify(Position& pos, int beta, int depth, int parentEval, int flags) {
  int result;
  if (entryEnds(pos, (flags & VERIFY_PV_MOVE) != 0, result)) return result;
  Probe probe;
  probeTable(pos, pos.hashKey, probe);
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    const bool trusted = (hit.flags & TT_TRUSTED) != 0;
    if (hit.bound == TT_EXACT || ((depth < 6 || trusted) && (cutsLow(hit, beta) || cutsHigh(hit, beta)))) {
      if (hit.bound == TT_EXACT || trusted) ttRefreshAge(*probe.entries[i], pos.hashKey);
      return hit.score;
    }
  }
  if (tablebaseEnds(pos, depth, pvProbeRule(), result)) return result;
  const int ply = pos.ply;
  const int eval = nodeEval(pos);
  Move hashMove = probe.hashMove;
  if (probe.deepest < depth - (hashMove != MOVE_NONE ? 10 : 2) && depth >= 4) {
    searchPV(pos, beta - 1, beta, depth >= 12 ? depth - 4 : depth - 2, parentEval, 0);
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
  int best = NO_SCORE;
  Move bestMove = MOVE_NONE;
  int searched = 0;
  bool reversalSkipped = false;
  const Move previous = previousOwnMove(pos);
  while (const Move move = nextMove(pos)) {
    if (reverses(move, previous) && beta > 0 && pos.rule50 > 1) {
      best = std::max(best, 0);
      reversalSkipped = true;
      continue;
    }
    if (!makeMove(pos, move, beta - 1, beta)) continue;
    int childDepth = depth - 2 + moveExtension(pos, move, inCheckNode);
    if (searched == 0) childDepth = std::max(childDepth, depth - 2 + firstExtension);
    const int score = childDepth < 2 ? -quiesceAny(pos, -beta, 1 - beta)
                                     : -searchZWAny(pos, 1 - beta, childDepth, MODE_PV_CHILD, depth - childDepth);
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    ++searched;
    if (raiseBestToCut(pos, move, score, beta, best, bestMove)) break;
    if (isQuiet(move)) historyLoss(pos, historySelect, move, depth);
    offerSplit(pos);
  }
  if (searched == 0) {
    if (reversalSkipped) return best;
    return inCheckNode ? ply - MATE_SCORE : (flags & VERIFY_PV_MOVE) ? drawScore[pos.side] : 0;
  }
  storeZeroWindow(pos.hashKey, depth, bestMove, best, beta);
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}

int searchZW(Position& pos, int beta, int depth) {
  startNode(pos);
  const int e = nodeEval(pos);
  if (e + 1200 < beta) return beta - 101;
  int result;
  if (entryEnds(pos, false, result)) return result;
  Probe probe;
  probeTable(pos, pos.hashKey, probe);
  if (shallowProbeEnds(probe, beta, depth, result)) return result;
  if (e - 16 * depth - 75 >= beta) return e + standPatBonus;
  if (tablebaseEnds(pos, depth, shallowProbeRule(), result)) return result;
  int best = std::min(e + standPatBonus, beta - 1);

  if (e >= beta) {
    makeNullMove(pos, -(e + standPatBonus));
    const int score = -searchFrontier(pos, 1 - beta, QUIESCE_CHECK_PLIES);
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    if (score >= beta) {
      if (ttLowerStorable(score)) ttStoreLower(pos.hashKey, tableDepth(depth), 0, ttLowerField(score));
      return score;
    }
  }

  const Move hashMove = probe.hashMove;
  const int historySelect = e + 100 < beta;
  int stage = PICK_HASH, select = historySelect, gainLimit = 0;
  bool pruned = false;
  if (e + 8 * depth + 50 < beta) {
    stage = PICK_FUTILE_HASH;
    select = 0;
    pruned = true;
    if (e + 8 * depth + 150 <= beta) {
      select = 1;
      best = std::min(e + 8 * depth + 150, beta - 1);
    }
  } else if (depth <= 3 && e + 10 < beta) {
    stage = PICK_GAIN_HASH;
    gainLimit = beta - e - 10;
    pruned = true;
  }
  pickStart(pos, stage, hashMove, select, gainLimit);
  const PickState& ps = pos.pickState[pos.ply];
  const Move previous = previousOwnMove(pos);
  Move bestMove = MOVE_NONE;
  int searched = 0, legal = 0;
  while (const Move move = nextMove(pos)) {
    const int moveStage = ps.stage;
    const bool quiet = isQuiet(move);
    const int type = movingType(pos, move);
    if (reverses(move, previous) && beta > -8 && pos.rule50 > 1) {
      best = std::max(best, -8);
      ++legal;
      continue;
    }
    if (moveStage == PICK_GAIN_QUIETS && mayGiveCheck(pos, move)) continue;  // searched as a check already
    if (moveStage == PICK_QUIETS && searched > 4 &&
        gainTable[gainIndex(pos.board[moveFrom(move)], move)] + 2 * depth + e < beta + 40 + searched &&
        !mayGiveCheck(pos, move)) {
      pruned = true;
      continue;
    }
    if (quiet && !sameMove(move, hashMove) && type != KING && quietMoveLoses(pos, move)) {
      pruned = true;
      continue;
    }
    if (depth <= 4 && (move & FLAG_CAPTURE) && !(move & FLAG_EN_PASSANT) && !sameMove(move, hashMove) &&
        type != KING) {
      const int victim = typeOfCode(pos.board[moveTo(move)]);
      const bool test = victim == PAWN ? type != PAWN && e - 150 < beta : e - 75 < beta;
      if (test && !captureIsSafe(pos, move)) {
        pruned = true;
        continue;
      }
    }
    if (!makeMove(pos, move, beta - 50, beta + 50)) continue;
    ++legal;
    const bool givesCheck = nodeInCheck(pos);
    if (searched > 4 && !givesCheck && 2 * depth - nodeEval(pos) < searched + beta + 10) {
      unmakeMove(pos);
      pruned = true;
      continue;
    }
    int score;
    if (givesCheck) {
      score = -searchZWInCheck(pos, 1 - beta, depth - 1);
    } else if (depth - 2 <= 1) {
      score = -searchFrontier(pos, 1 - beta, QUIESCE_CHECK_PLIES);
    } else {
      score = -searchZW(pos, 1 - beta, depth - 2);
    }
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    ++searched;
    if (raiseBestToCut(pos, move, score, beta, best, bestMove)) break;
    if (quiet) historyLoss(pos, historySelect, move, depth);
    offerSplit(pos);
  }
  if (legal == 0 && !pruned) return 0;  // stalemate
  if (best < beta && pruned && gameStage < 2) best = beta - 1;
  storeZeroWindow(pos.hashKey, depth, bestMove, best, beta);
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}

int searchZWInCheck(Position& pos, int beta, int depth) {
  int result;
  if (entryEnds(pos, false, result)) return result;
  Probe probe;
  probeTable(pos, pos.hashKey, probe);
  if (shallowProbeEnds(probe, beta, depth, result)) return result;
  if (tablebaseEnds(pos, depth, shallowProbeRule(), result)) return result;
  const int historySelect = nodeEval(pos) + 100 < beta;
  const bool late = gameStage >= 2;
  Move bestMove = MOVE_NONE;
  const int best = searchEvasions(
      pos, beta, depth, probe.hashMove, MOVE_NONE, true, 50, historySelect, bestMove, [&](Move, int) {
        if (nodeInCheck(pos)) return -searchZWInCheck(pos, 1 - beta, late ? depth : depth - 1);
        if (depth <= (late ? 2 : 3)) return -searchFrontier(pos, 1 - beta, QUIESCE_CHECK_PLIES);
        return -searchZW(pos, 1 - beta, late ? depth - 1 : depth - 2);
      });
  if (stopped(pos)) return 0;
  if (bestMove != MOVE_NONE) recordCutMove(pos, bestMove);
  storeZeroWindow(pos.hashKey, depth, bestMove, best, beta);
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}

int searchZWDeep(Position& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget) {
  int result;
  if (entryEnds(pos, false, result)) return result;
  const std::uint64_t key = excludedKey(pos, excludedMove);
  Probe probe;
  probeTable(pos, key, probe);
  if (deepProbeEnds(probe, key, beta, depth, mode, result)) return result;
  if (tablebaseEnds(pos, depth, deepProbeRule(), result)) return result;
  const int ply = pos.ply;
  const int e = nodeEval(pos);
  const bool cutNode = (mode & 12) == MODE_EXPECTED_CUT;
  Move hashMove = probe.hashMove;
  if (excludedMove != MOVE_NONE && sameMove(hashMove, excludedMove)) hashMove = MOVE_NONE;
  Move altMove = MOVE_NONE;

  // Null move, with a verification search first at great depth and a cheap pre-test.
  if (excludedMove == MOVE_NONE && (mode & MODE_NULL_ALLOWED) && e >= beta && pos.pieceMaterial[pos.side] > 0) {
    bool tryNull = true;
    if (depth >= 18) {
      tryNull = searchZWDeep(pos, beta, depth - 12, excludedMove, mode & ~MODE_NULL_ALLOWED, 2) >= beta;
      altMove = pvFirst(pos);
      pos.pvLength[ply] = ply;
    }
    const int nullMode = (mode & ~MODE_NULL_ALLOWED) ^ MODE_EXPECTED_CUT;
    if (tryNull && !stopped(pos) && depth >= 12) {
      makeNullMove(pos, -(e + standPatBonus));
      const int preTest = -searchZWAny(pos, 1 - (beta - 40), depth - 14, nullMode, 2) + 40;
      unmakeMove(pos);
      tryNull = preTest >= beta;
    }
    if (tryNull && !stopped(pos)) {
      makeNullMove(pos, -(e + standPatBonus));
      const int score = -searchZWAny(pos, 1 - beta, std::max(depth - 8, 2), nullMode, 2);
      unmakeMove(pos);
      if (stopped(pos)) return 0;
      if (score >= beta) {
        storeDeep(key, depth, MOVE_NONE, score, beta, mode);
        return score;
      }
    }
    if (stopped(pos)) return 0;
  }

  // Singular test of the hash move at expected cut nodes.
  int hashExtension = 0;
  if (depth >= 18 && cutNode && excludedMove == MOVE_NONE && hashMove != MOVE_NONE &&
      isMovePseudoLegal(pos, hashMove)) {
    const int score = searchZWDeep(pos, beta - 30, depth - 10, hashMove, MODE_SINGULAR_TEST, 2);
    if (stopped(pos)) return 0;
    pos.pvLength[ply] = ply;
    if (score < beta - 30) {
      pos.checkInfo[pos.gamePly] |= SINGULAR_MARK;
      // A singular move right after another one, with the budget for this node spent
      // already, gets half the extension: chains of forced moves stay finite.
      const bool chain = pos.gamePly >= 2 && (pos.checkInfo[pos.gamePly - 2] & SINGULAR_MARK) != 0;
      hashExtension = chain && extensionBudget == 0 ? 1 : 2;
    }
  }

  // Internal iterative deepening at expected cut nodes without a hash move.
  if (cutNode && hashMove == MOVE_NONE && (e + standPatBonus >= beta || depth >= 12) &&
      (excludedMove == MOVE_NONE || depth > 13)) {
    const int score = depth > 13 ? searchZWDeep(pos, beta, depth - 4, excludedMove, mode, extensionBudget)
                                 : searchZW(pos, beta, depth - 4);
    if (stopped(pos)) return 0;
    if (score >= beta && pvFirst(pos) != MOVE_NONE) hashMove = pvFirst(pos);
    pos.pvLength[ply] = ply;
  }

  const int historySelect = e + 100 < beta;
  int stage = PICK_HASH, select = historySelect;
  bool pruned = false;
  if (depth < 20) {
    const int index = depth / 2 + (cutNode ? 10 : 0);
    if (e + futilityMargin[index] <= beta) {
      stage = PICK_FUTILE_HASH;
      select = e + futilityMargin2[index] <= beta;
      pruned = true;
    }
  }
  pos.pickState[ply].altMove = altMove;
  pickStart(pos, stage, hashMove, select, 0);
  const PickState& ps = pos.pickState[ply];
  const bool plainCut = cutNode && excludedMove == MOVE_NONE;
  const int lmrBase = plainCut ? 6 : 2;
  const int gainMargin = (plainCut ? 2 : 4) << std::clamp(depth - 6, 0, 20);
  const Move previous = previousOwnMove(pos);
  int best = NO_SCORE;
  Move bestMove = MOVE_NONE;
  int searched = 0, legal = 0;
  while (const Move move = nextMove(pos)) {
    if (excludedMove != MOVE_NONE && sameMove(move, excludedMove)) continue;
    const int moveStage = ps.stage;
    const bool quiet = isQuiet(move);
    if (reverses(move, previous) && beta > 0 && pos.rule50 > 1) {
      best = std::max(best, 0);
      ++searched;
      ++legal;
      continue;
    }
    if (moveStage == PICK_QUIETS && searched > 5 && depth <= 16 &&
        gainTable[gainIndex(pos.board[moveFrom(move)], move)] + gainMargin + e < searched + beta + 40 &&
        !mayGiveCheck(pos, move)) {
      pruned = true;
      continue;
    }
    if (quiet && depth <= 12 && !sameMove(move, hashMove) && movingType(pos, move) != KING &&
        !checkIsSafe(pos, move) && !mayGiveCheck(pos, move)) {
      pruned = true;
      continue;
    }
    if (!makeMove(pos, move, beta - 150, beta + 150)) continue;
    ++legal;
    const bool givesCheck = nodeInCheck(pos);
    if (moveStage == PICK_QUIETS && searched > 5 && !givesCheck &&
        gainMargin - nodeEval(pos) < searched + beta + 10) {
      unmakeMove(pos);
      pruned = true;
      continue;
    }
    const int extension = std::max(sameMove(move, hashMove) ? hashExtension : 0, pawnPushExtension(pos, move));
    int score;
    if (givesCheck) {
      const int childDepth = extension ? depth - 2 + extension : depth - 1;
      score = deepChild(pos, beta, childDepth, mode, depth);
    } else {
      const int childDepth = depth - 2 + extension;
      if (moveStage == PICK_QUIETS && excludedMove == MOVE_NONE && (cutNode || searched >= 3)) {
        const int reduced = childDepth - lmrBase - (searched >= 12 ? 1 : 0);
        score = deepChild(pos, beta, reduced, mode, depth);
        if (score >= beta && !stopped(pos)) score = deepChild(pos, beta, childDepth, mode, depth);
      } else {
        score = deepChild(pos, beta, childDepth, mode, depth);
      }
    }
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    ++searched;
    if (raiseBestToCut(pos, move, score, beta, best, bestMove)) break;
    if (quiet) historyLoss(pos, historySelect, move, depth);
    if (depth >= 12 && excludedMove == MOVE_NONE && exactEntryEnds(pos, depth, result)) return result;
    offerSplit(pos);
  }
  if (legal == 0) {
    if (!pruned && excludedMove == MOVE_NONE) return 0;  // stalemate
    if (pruned) best = beta - 1;
  }
  storeDeep(key, depth, bestMove, best, beta, mode);
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}

int searchZWDeepInCheck(Position& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget) {
  int result;
  if (entryEnds(pos, false, result)) return result;
  const std::uint64_t key = excludedKey(pos, excludedMove);
  Probe probe;
  probeTable(pos, key, probe);
  if (deepProbeEnds(probe, key, beta, depth, mode, result)) return result;
  if (tablebaseEnds(pos, depth, deepProbeRule(), result)) return result;
  Move hashMove = probe.hashMove;
  if (excludedMove != MOVE_NONE && sameMove(hashMove, excludedMove)) hashMove = MOVE_NONE;
  const int historySelect = nodeEval(pos) + 100 < beta;
  const int childMode = (mode ^ MODE_EXPECTED_CUT) | MODE_NULL_ALLOWED;
  Move bestMove = MOVE_NONE;
  // A single evasion is searched as deep as the node itself (half a ply less when the
  // check that led here was extended in full already, so that forced sequences stay
  // finite); a checking evasion, and any evasion from the middle stages on, half a
  // ply deeper than usual.
  const int singleReply = extensionBudget > 0 ? 2 : 1;
  const int best = searchEvasions(pos, beta, depth, hashMove, excludedMove, depth <= 12, 150, historySelect, bestMove,
                                  [&](Move, int evasions) {
                                    const int extension =
                                        evasions == 1 ? singleReply : (nodeInCheck(pos) || gameStage >= 2) ? 1 : 0;
                                    const int childDepth = depth - 2 + extension;
                                    return -searchZWAny(pos, 1 - beta, childDepth, childMode, depth - childDepth);
                                  });
  if (stopped(pos)) return 0;
  if (bestMove != MOVE_NONE) recordCutMove(pos, bestMove);
  storeDeep(key, depth, bestMove, best, beta, mode);
  if (bestMove != MOVE_NONE && isQuiet(bestMove)) rewardQuietMove(pos, historySelect, bestMove, depth);
  return best;
}
