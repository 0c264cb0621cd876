// The node routines' table probes and stores.
#include "search/node_table.h"

#include <algorithm>

#include "board/movegen.h"
#include "search/node.h"
#include "search/search.h"

void probeTable(Position& pos, std::uint64_t key, Probe& probe) {
  ttScan(key, probe);
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

bool exactEntryEnds(Position& pos, int depth, int& result) {
  TTScan scan;
  ttScan(pos.hashKey, scan);
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

void storeZeroWindow(std::uint64_t key, int depth, Move bestMove, int best, int beta) {
  if (best >= beta) {
    if (ttLowerStorable(best)) ttStoreLower(key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(best));
  } else if (ttUpperStorable(best)) {
    ttStoreUpperPlain(key, tableDepth(depth), 0, ttUpperField(best));
  }
}

void storeDeep(std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode) {
  if (best >= beta) {
    if (ttLowerStorable(best)) {
      ttStoreLowerKeyed(key, tableDepth(depth), moveFromTo(bestMove), ttLowerField(best), isExpectedAllNode(mode));
    }
  } else if (ttUpperStorable(best)) {
    ttStoreUpperKeyed(key, tableDepth(depth), 0, ttUpperField(best), isExpectedCutNode(mode));
  }
}

bool deepProbeEnds(Probe& probe, std::uint64_t key, int beta, int depth, int mode, int& result) {
  for (int i = 0; i < probe.count; ++i) {
    const TTHit& hit = probe.hits[i];
    if (hit.depth < depth) continue;
    const bool restricted = (hit.flags & TT_RESTRICTED) != 0;
    if ((cutsLow(hit, beta) && (!restricted || isExpectedAllNode(mode))) ||
        (cutsHigh(hit, beta) && (!restricted || isExpectedCutNode(mode)))) {
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
