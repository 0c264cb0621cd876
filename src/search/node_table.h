// How the node routines use the transposition table: the probe at node entry, the
// cut tests of the shallow and deep nodes, and their stores.
#pragma once

#include <cstdint>

#include "search/tt.h"
#include "search/worker.h"

namespace velt {


// The matching entries of a node's bucket, and the hash move they offer.
struct Probe : TTScan {
  Move hashMove = MOVE_NONE;
  int deepest = -1;  // depth of the deepest matching entry
};

void probeTable(Worker& pos, std::uint64_t key, Probe& probe);

bool cutsLow(const TTHit& hit, int beta);
bool cutsHigh(const TTHit& hit, int beta);

// After a move at depth: an exact entry of sufficient depth stored meanwhile (by
// another thread) ends the node with its move as the line.
bool exactEntryEnds(Worker& pos, int depth, int& result);

// A depth as the table records it.
int tableDepth(int depth);

bool shallowProbeEnds(const Probe& probe, int beta, int depth, int& result);

// Pruning margins of the zero-window nodes, by use.
enum PruningMargin : int {
  MARGIN_RAZOR,           // a node this far below beta fails low at once
  MARGIN_STATIC_CUT,      // a node this far (plus depth) above beta fails high at once
  MARGIN_FUTILE,          // below beta by this (plus depth): hash move, captures and checks only
  MARGIN_FUTILE_STRICT,   // ... and by this: only captures that win material
  MARGIN_GAIN,            // shallow nodes: quiet moves need this much expected gain
  MARGIN_MOVE_GAIN,       // late quiet moves of too little expected gain are skipped
  MARGIN_LATE_MOVE,       // late quiet moves that leave the mover this far below beta are skipped
  MARGIN_CAPTURE,         // shallow captures of an unsafe victim below beta by this are skipped
  MARGIN_COUNT
};

// How the node routines of the normal search use the table and score their nodes:
// scores live in the table's narrow window, and pruning never asks about mates.
// The node routines take this (or the decided search's policy) as their template
// parameter.
struct NormalTable {
  using Probe = velt::Probe;
  static constexpr int margins[MARGIN_COUNT] = {1200, 75, 50, 150, 10, 40, 10, 75};
  static constexpr bool prunes(const Position&, int) { return true; }
  static constexpr bool reduces(const Position&, int) { return true; }
  static constexpr bool onlyMateInOneReaches(int, int) { return false; }
  static constexpr int margin(const Worker&, int index) { return margins[index]; }
  static bool entryEnds(Worker&, int, int, int&) { return false; }
  static void probe(Worker& pos, std::uint64_t key, Probe& probe) { probeTable(pos, key, probe); }
  // Principal-variation node: exact entries end it; shallow ones also bound it (beta may drop).
  static bool pvProbeEnds(Worker& pos, Probe& probe, int depth, int alpha, int& beta, int& result);
  // Verification node: exact and trusted entries.
  static bool verifyProbeEnds(Worker& pos, Probe& probe, int depth, int beta, int& result);
  static bool shallowProbeEnds(Worker&, const Probe& probe, int beta, int depth, int& result) {
    return velt::shallowProbeEnds(probe, beta, depth, result);
  }
  // Deep-node probe: entries of sufficient depth cut, restricted ones only for nodes of
  // the kind that stored them. Their age is refreshed.
  static bool deepProbeEnds(Worker& pos, Probe& probe, std::uint64_t key, int beta, int depth, int mode, int& result);
  static bool exactEntryEnds(Worker& pos, int depth, int& result) { return velt::exactEntryEnds(pos, depth, result); }
  static void storePV(Worker& pos, int depth, Move bestMove, int best, int beta);
  // The table stores of a zero-window node (neither flag).
  static void storeZeroWindow(Worker& pos, int depth, Move bestMove, int best, int beta);
  static void storeNullCut(Worker& pos, int depth, int score);
  // A node without a legal move: nothing is stored.
  static void storeGameEnd(Worker&, int) {}
  // The keyed stores of a deep zero-window node: lower bounds of expected all nodes and
  // upper bounds of expected cut nodes are restricted to nodes of the same kind.
  static void storeDeep(Worker& pos, std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode);
  // Quiescence: any entry that settles the window ends the node; otherwise hashFromTo
  // is the move of the last matching entry that did not.
  static bool quiesceProbeEnds(Worker& pos, bool frontier, int alpha, int beta, int checkPlies, int& result,
                               int& hashFromTo);
  static void quiesceStoreCut(Worker& pos, Move move, int score);
  static void quiesceStoreResult(Worker& pos, bool frontier, int best, Move bestMove);
  static bool quiesceTriesChecks(const Worker& pos, int eval, int checkPlies, int alpha);
  // The frontier's checks are only those that may end the game.
  static bool restrictsFrontierChecks() { return true; }
};

}  // namespace velt
