// How the node routines use the table and score their nodes in the decided-position
// search (the template policy next to NormalTable): 16-byte entries with separate
// lower and upper bounds, mate scores exact and adjusted by the ply, mate-distance
// pruning and the recognised draws at node entry, the tablebases (exact mate
// distances from the node's ply) also in the quiescence, and no pruning by the
// evaluation once a window edge is a mate score, so that mate distances come out exact,
// nor at the nodes of a lone king.
#pragma once

#include <cstdint>

#include "search/decided_tt.h"
#include "search/engine_core.h"
#include "search/node_table.h"
#include "search/worker.h"

namespace velt {


// The side has nothing but its king.
inline bool hasOnlyKing(const Position& pos, int side) {
  return pos.pieceMaterial[side] == 0 && pos.pieceCount[side][PAWN] == 0;
}

// The constant table of the eight pruning margins; a search's own are these minus
// pruningLevel (EngineCore::decidedMargins).
extern const int decidedMarginBase[MARGIN_COUNT];

// Search start: the next age, the history reset and the margins.
void prepareDecidedSearch(EngineCore& engine, int pruningLevel);

// Below this many men a node asks the draw recogniser first.
constexpr int DECIDED_PROBE_MEN = 6;

struct DecidedProbe {
  DecidedHit hit;
  Move hashMove = MOVE_NONE;
  int deepest = -1;
};

struct DecidedTable {
  using Probe = DecidedProbe;
  // No pruning by the evaluation against a mate-score window edge, nor at a bare
  // king's nodes: a lone king is the side that falls into zugzwang (a null move or a
  // static cut would let it pass), and its few moves cost little to search.
  static bool prunes(const Position& pos, int bound) {
    return bound < MATE_BOUND && bound > -MATE_BOUND && !hasOnlyKing(pos, pos.side);
  }
  // Late quiet moves of the stronger side are reduced, also against a mate-score window:
  // the depth this buys finds a shorter mate sooner than searching every move in full,
  // and a mate the reductions miss at one depth shows at the next. A lone king's few
  // moves are all searched in full.
  static bool reduces(const Position& pos, int) { return !hasOnlyKing(pos, pos.side); }
  // Whether only a mate by this very move reaches beta at `ply` (the next faster one
  // is two plies later): then only checking moves need a search.
  static bool onlyMateInOneReaches(int beta, int ply) { return beta > MATE_SCORE - ply - 3; }
  static int margin(const Worker& pos, int index) { return pos.engine->decidedMargins[index]; }
  static bool entryEnds(Worker& pos, int alpha, int beta, int& result);
  static void probe(Worker& pos, std::uint64_t key, Probe& probe);
  static bool pvProbeEnds(Worker& pos, Probe& probe, int depth, int alpha, int& beta, int& result);
  static bool verifyProbeEnds(Worker& pos, Probe& probe, int depth, int beta, int& result);
  static bool shallowProbeEnds(Worker& pos, const Probe& probe, int beta, int depth, int& result);
  static bool deepProbeEnds(Worker& pos, Probe& probe, std::uint64_t key, int beta, int depth, int mode,
                            int& result);
  static bool exactEntryEnds(Worker& pos, int depth, int& result);
  static void storePV(Worker& pos, int depth, Move bestMove, int best, int beta);
  static void storeZeroWindow(Worker& pos, int depth, Move bestMove, int best, int beta);
  static void storeNullCut(Worker& pos, int depth, int score);
  // A mate or a stalemate holds at every depth: both bounds at the greatest depth.
  static void storeGameEnd(Worker& pos, int score);
  static void storeDeep(Worker& pos, std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode);
  static bool quiesceProbeEnds(Worker& pos, bool frontier, int alpha, int beta, int checkPlies, int& result,
                               int& hashFromTo);
  static void quiesceStoreCut(Worker& pos, Move move, int score);
  static void quiesceStoreResult(Worker& pos, bool frontier, int best, Move bestMove);
  // Quiet checks below the horizon as in the normal search, while the evaluation with
  // the check margin reaches alpha: a side that needs a mate does not hunt for it with
  // every check there, which would cost more than the rest of the tree.
  static bool quiesceTriesChecks(const Worker& pos, int eval, int checkPlies, int alpha) {
    return NormalTable::quiesceTriesChecks(pos, eval, checkPlies, alpha);
  }
  static bool restrictsFrontierChecks() { return false; }
};

// The window test of a bounded entry: a lower bound at or above beta or an upper
// bound at or below alpha, each deep enough, settles the node (result).
bool decidedHitEnds(const DecidedHit& hit, int depth, int alpha, int beta, int& result);

// Table move of the root (for its ordering and the completed lines).
Move decidedTableMove(const Worker& pos);

}  // namespace velt
