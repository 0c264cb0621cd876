// The decided-position search's use of its table at the nodes.
#include "search/decided_table.h"

#include <algorithm>

#include "board/bitboard.h"
#include "board/rules.h"
#include "search/engine_core.h"
#include "search/history.h"
#include "search/node.h"
#include "search/search.h"
#include "search/tablebase_sites.h"

namespace velt {

// Tuned like the normal search's literal margins; pruningLevel lowers them all.
const int decidedMarginBase[MARGIN_COUNT] = {1200, 75, 50, 150, 10, 40, 10, 75};

namespace {

// Every entry of the first history table starts each decided search from here.
constexpr int DECIDED_HISTORY_START = 256;

// The quiescence probes like the shallow nodes: up to four men, after a capture or a
// promotion or near the root, a draw scored 0.
constexpr TablebaseProbeRule quiescenceProbeRule = {4, 0, false, false};

void storeBounds(Worker& pos, std::uint64_t key, int depth, Move bestMove, int best, bool lower, bool upper) {
  if (lower) decidedStoreLower(pos.engine->tt, key, tableDepth(depth), bestMove, best, pos.ply);
  if (upper) decidedStoreUpper(pos.engine->tt, key, tableDepth(depth), best, pos.ply);
}

}  // namespace

void prepareDecidedSearch(EngineCore& engine, int pruningLevel) {
  decidedNewSearch(engine.tt);
  for (int to = 0; to < 64; ++to) {
    for (auto& entry : engine.history.values[0][to]) entry.store(DECIDED_HISTORY_START, std::memory_order_relaxed);
  }
  for (int i = 0; i < MARGIN_COUNT; ++i) engine.decidedMargins[i] = std::max(decidedMarginBase[i] - pruningLevel, 0);
}

bool decidedHitEnds(const DecidedHit& hit, int depth, int alpha, int beta, int& result) {
  if (!hit.found) return false;
  const bool lowerDeep = hit.lowerDepth >= depth, upperDeep = hit.upperDepth >= depth;
  if (lowerDeep && hit.lower >= beta) {
    result = hit.lower;
  } else if (upperDeep && hit.upper <= alpha) {
    result = hit.upper;
  } else if (lowerDeep && upperDeep && hit.lower == hit.upper) {
    result = hit.lower;
  } else {
    return false;
  }
  return true;
}

bool DecidedTable::entryEnds(Worker& pos, int alpha, int beta, int& result) {
  // Mate-distance pruning: no score here can lie outside these.
  const int lowest = pos.ply - MATE_SCORE, highest = MATE_SCORE - 1 - pos.ply;
  if (lowest >= beta) {
    result = lowest;
    return true;
  }
  if (highest <= alpha) {
    result = highest;
    return true;
  }
  // The tablebases come after the table: the node routines probe them by the rule
  // of their kind, the quiescence below.
  if (popCount(pos.occupied) < DECIDED_PROBE_MEN && isRecognizedDraw(pos)) {
    result = 0;
    return true;
  }
  return false;
}

void DecidedTable::probe(Worker& pos, std::uint64_t key, Probe& probe) {
  decidedProbe(pos.engine->tt, pos, key, probe.hit);
  probe.hashMove = probe.hit.move;
  probe.deepest = probe.hit.found ? probe.hit.maxDepth : -1;
}

bool DecidedTable::pvProbeEnds(Worker&, Probe& probe, int depth, int alpha, int& beta, int& result) {
  return decidedHitEnds(probe.hit, depth, alpha, beta, result);
}

bool DecidedTable::verifyProbeEnds(Worker&, Probe& probe, int depth, int beta, int& result) {
  return decidedHitEnds(probe.hit, depth, beta - 1, beta, result);
}

bool DecidedTable::shallowProbeEnds(Worker&, const Probe& probe, int beta, int depth, int& result) {
  return decidedHitEnds(probe.hit, depth, beta - 1, beta, result);
}

bool DecidedTable::deepProbeEnds(Worker&, Probe& probe, std::uint64_t, int beta, int depth, int, int& result) {
  return decidedHitEnds(probe.hit, depth, beta - 1, beta, result);
}

bool DecidedTable::exactEntryEnds(Worker& pos, int depth, int& result) {
  DecidedHit hit;
  decidedProbe(pos.engine->tt, pos, pos.hashKey, hit);
  if (!hit.found || hit.lowerDepth < depth || hit.upperDepth < depth || hit.lower != hit.upper) return false;
  const int ply = pos.ply;
  pos.pvLength[ply] = ply;
  if (hit.move != MOVE_NONE) {
    pos.pv[ply][ply] = hit.move;
    pos.pvLength[ply] = ply + 1;
  }
  result = hit.lower;
  return true;
}

void DecidedTable::storePV(Worker& pos, int depth, Move bestMove, int best, int beta) {
  const bool exact = best < beta && bestMove != MOVE_NONE;
  storeBounds(pos, pos.hashKey, depth, bestMove, best, best >= beta || exact, best < beta);
}

void DecidedTable::storeZeroWindow(Worker& pos, int depth, Move bestMove, int best, int beta) {
  storeBounds(pos, pos.hashKey, depth, bestMove, best, best >= beta, best < beta);
}

void DecidedTable::storeNullCut(Worker& pos, int depth, int score) {
  storeBounds(pos, pos.hashKey, depth, MOVE_NONE, score, true, false);
}

void DecidedTable::storeGameEnd(Worker& pos, int score) {
  storeBounds(pos, pos.hashKey, MAX_TT_DEPTH, MOVE_NONE, score, true, true);
}

void DecidedTable::storeDeep(Worker& pos, std::uint64_t key, int depth, Move bestMove, int best, int beta, int) {
  storeBounds(pos, key, depth, bestMove, best, best >= beta, best < beta);
}

bool DecidedTable::quiesceProbeEnds(Worker& pos, bool, int alpha, int beta, int, int& result, int& hashFromTo) {
  DecidedHit hit;
  decidedProbe(pos.engine->tt, pos, pos.hashKey, hit);
  if (decidedHitEnds(hit, 0, alpha, beta, result)) return true;
  if (hit.move != MOVE_NONE) hashFromTo = moveFromTo(hit.move);
  return tablebaseEnds(pos, 0, quiescenceProbeRule, alpha, beta, result);
}

void DecidedTable::quiesceStoreCut(Worker& pos, Move move, int score) {
  storeBounds(pos, pos.hashKey, 0, move, score, true, false);
}

void DecidedTable::quiesceStoreResult(Worker& pos, bool, int best, Move bestMove) {
  storeBounds(pos, pos.hashKey, 0, bestMove, best, bestMove != MOVE_NONE, true);
}

Move decidedTableMove(const Worker& pos) {
  DecidedHit hit;
  decidedProbe(pos.engine->tt, pos, pos.hashKey, hit);
  return hit.move;
}

}  // namespace velt
