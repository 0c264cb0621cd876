// A search thread's record: its position (with the evaluation's per-ply scores), its
// search stack and its counters, and the engine it searches for. The engine's game
// position is thread 0's; every helper of the parallel search works on a copy of the
// parts it needs.
#pragma once

#include <cstdint>

#include "eval/evaluate.h"

namespace velt {

struct SplitPoint;
struct EngineCore;

// Move-picker state of one search node (the stages are the picker's, see movepick.h).
constexpr int MAX_DEFERRED = 32;
struct PickState {
  int stage;
  int nextIndex;  // next entry of the node's moves in moveList
  int endIndex;   // one past the node's last entry
  int depth;
  int historySelect;  // history bank; in the futility stage the strictCaptures flag
  int gainLimit;      // positional gain a quiet move needs in the gain stage
  Move hashMove;
  Move altMove;  // a second move to try early (internal deepening, verification)
  int deferredCount;  // captures the exchange test rejected, tried after the quiets
  int deferredIndex;
  Move deferred[MAX_DEFERRED];
};

// What the search keeps per ply of its line besides the position.
struct SearchStack {
  PickState pickState[MAX_PLY];
  Move pv[MAX_PLY][MAX_PLY];
  int pvLength[MAX_PLY];
};

struct Worker : EvalPosition, SearchStack {
  std::uint32_t nodes;
  std::uint32_t tbHits;  // tablebase hits of this thread's search, summed like nodes
  int stop;              // set when this thread's search must return at once
  // Parallel search: this worker's split-point record, and the worker whose split
  // point a helper's copy works for (null for the game position).
  SplitPoint* split;
  Worker* parent;
  // The engine whose tables, margins and flags the search reads (set by the engine
  // for its game position and its copies).
  EngineCore* engine = nullptr;
};

}  // namespace velt
