// The node routines' table probes and stores.
#include "search/node_table.h"

#include <algorithm>

#include "board/movegen.h"
#include "search/engine_core.h"
#include "search/margins.h"
#include "search/node.h"
#include "search/search.h"

namespace velt {

void probeTable(Worker& pos, std::uint64_t key, Probe& probe) {
  EngineCore& engine = *pos.engine;
  ttScan(engine.tt, key, probe);
  int bestQuality = -1, hashFromTo = 0;
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
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

bool exactEntryEnds(Worker& pos, int depth, int& result) {
  EngineCore& engine = *pos.engine;
  TTScan scan;
  ttScan(engine.tt, pos.hashKey, scan);
  for (int i = 0; i < scan.count; ++i) {
    const TTHit& hit = scan.hits[i];
    if (hit.bound == TT_EXACT && hit.depth >= depth) {
      const int ply = pos.ply;
      pos.pvLength[ply] = ply;
      // The line is printed by playing it: only a move the generators could make here.
      const Move move = hit.fromTo != 0 ? ttMoveToMove(pos, hit.fromTo) : MOVE_NONE;
      if (move != MOVE_NONE && isMovePseudoLegal(pos, move)) {
        pos.pv[ply][ply] = move;
        pos.pvLength[ply] = ply + 1;
      }
      result = hit.score;
      return true;
    }
  }
  return false;
}

int tableDepth(int depth) { return std::clamp(depth, 0, MAX_TT_DEPTH); }

void NormalTable::storeZeroWindow(Worker& pos, int depth, Move bestMove, int best, int beta) {
  TranspositionTable& tt = pos.engine->tt;
  const std::uint64_t key = pos.hashKey;
  if (best >= beta) {
    if (ttLowerStorable(tt, best))
      ttStoreLower(tt, key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(tt, best));
  } else if (ttUpperStorable(tt, best)) {
    ttStoreUpperPlain(tt, key, tableDepth(depth), 0, ttUpperField(tt, best));
  }
}

void NormalTable::storeDeep(Worker& pos, std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode) {
  TranspositionTable& tt = pos.engine->tt;
  if (best >= beta) {
    if (ttLowerStorable(tt, best)) {
      ttStoreLowerKeyed(tt, key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(tt, best),
                        isExpectedAllNode(mode));
    }
  } else if (ttUpperStorable(tt, best)) {
    ttStoreUpperKeyed(tt, key, tableDepth(depth), 0, ttUpperField(tt, best), isExpectedCutNode(mode));
  }
}

bool NormalTable::deepProbeEnds(Worker& pos, Probe& probe, std::uint64_t key, int beta, int depth, int mode,
                                int& result) {
  const TranspositionTable& tt = pos.engine->tt;
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    const bool restricted = (hit.flags & TT_RESTRICTED) != 0;
    if ((cutsLow(hit, beta) && (!restricted || isExpectedAllNode(mode))) ||
        (cutsHigh(hit, beta) && (!restricted || isExpectedCutNode(mode)))) {
      ttRefreshAge(tt, *probe.entries[i], key);
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

bool NormalTable::pvProbeEnds(Worker& pos, Probe& probe, int depth, int alpha, int& beta, int& result) {
  EngineCore& engine = *pos.engine;
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    if (hit.bound == TT_EXACT) {
      ttRefreshAge(engine.tt, *probe.entries[i], pos.hashKey);
      result = hit.score;
      return true;
    }
    if (depth < 3 * ONE_PLY) {
      if (hit.bound == TT_LOWER && hit.score >= beta) {
        result = hit.score;
        return true;
      }
      if (hit.bound == TT_UPPER && hit.score < beta) {
        beta = hit.score;
        if (hit.score <= alpha) {
          result = hit.score;
          return true;
        }
      }
    }
  }
  return false;
}

bool NormalTable::verifyProbeEnds(Worker& pos, Probe& probe, int depth, int beta, int& result) {
  EngineCore& engine = *pos.engine;
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    const bool trusted = (hit.flags & TT_TRUSTED) != 0;
    if (hit.bound == TT_EXACT || ((depth < 3 * ONE_PLY || trusted) && (cutsLow(hit, beta) || cutsHigh(hit, beta)))) {
      if (hit.bound == TT_EXACT || trusted) ttRefreshAge(engine.tt, *probe.entries[i], pos.hashKey);
      result = hit.score;
      return true;
    }
  }
  return false;
}

void NormalTable::storePV(Worker& pos, int depth, Move bestMove, int best, int beta) {
  EngineCore& engine = *pos.engine;
  const int stored = tableDepth(depth);
  if (best >= beta) {
    if (ttLowerStorable(engine.tt, best))
      ttStoreLowerTrusted(engine.tt, pos.hashKey, stored, moveFromTo(bestMove), ttLowerField(engine.tt, best));
  } else if (bestMove == MOVE_NONE) {
    if (ttUpperStorable(engine.tt, best))
      ttStoreUpper(engine.tt, pos.hashKey, stored, 0, ttUpperField(engine.tt, best));
  } else {
    ttStoreExactClipped(engine.tt, pos.hashKey, stored, moveFromTo(bestMove), best);
  }
}

void NormalTable::storeNullCut(Worker& pos, int depth, int score) {
  EngineCore& engine = *pos.engine;
  if (ttLowerStorable(engine.tt, score))
    ttStoreLower(engine.tt, pos.hashKey, tableDepth(depth), 0, ttLowerField(engine.tt, score));
}

bool NormalTable::quiesceProbeEnds(Worker& pos, bool frontier, int alpha, int beta, int checkPlies, int& result,
                                   int& hashFromTo) {
  EngineCore& engine = *pos.engine;
  TTScan scan;
  ttScan(engine.tt, pos.hashKey, scan);
  for (int i = 0; i < scan.count; ++i) {
    const TTHit& hit = scan.hits[i];
    const bool upperUsable = !frontier || checkPlies < 5 || hit.depth > 1;
    if (hit.bound == TT_EXACT || ((hit.bound & TT_LOWER) && hit.score >= beta) ||
        ((hit.bound & TT_UPPER) && hit.score <= alpha && upperUsable)) {
      result = hit.score;
      return true;
    }
    if (hit.fromTo != 0) hashFromTo = hit.fromTo;
  }
  return false;
}

void NormalTable::quiesceStoreCut(Worker& pos, Move move, int score) {
  EngineCore& engine = *pos.engine;
  if (ttLowerStorable(engine.tt, score))
    ttStoreLower(engine.tt, pos.hashKey, 1, moveFromTo(move), ttLowerField(engine.tt, score));
}

// An exact (clipped) score when a move raised alpha, else an upper bound unless it
// lies above the table window. The frontier search is a zero-window node: its bounds
// are not marked trusted.
void NormalTable::quiesceStoreResult(Worker& pos, bool frontier, int best, Move bestMove) {
  EngineCore& engine = *pos.engine;
  if (bestMove != MOVE_NONE) {
    ttStoreExactClipped(engine.tt, pos.hashKey, 1, moveFromTo(bestMove), best);
  } else if (ttUpperStorable(engine.tt, best)) {
    (frontier ? ttStoreUpperPlain : ttStoreUpper)(engine.tt, pos.hashKey, 1, 0, ttUpperField(engine.tt, best));
  }
}

bool NormalTable::quiesceTriesChecks(const Worker& pos, int eval, int checkPlies, int alpha) {
  const EngineCore& engine = *pos.engine;
  return eval + engine.margins.checkMargin[checkPlies] >= alpha;
}

}  // namespace velt
