// The state of one node's move loop. The thread that owns the node keeps it on its
// stack; when the node splits, every thread helping with the node's moves reads the
// setup part and reports its progress into it under the split point's lock, so that
// the owner and the helpers run the same per-move code.
#pragma once

#include "board/types.h"

namespace velt {

// Node kinds of the normal search, as recorded at a split.
enum NodeKind : int {
  NODE_PV = 0,
  NODE_VERIFY = 1,
  NODE_DEEP = 2,
  NODE_DEEP_IN_CHECK = 3,
  NODE_SHALLOW = 4,
  NODE_SHALLOW_IN_CHECK = 5,
};

// What the loop has achieved so far. A helper keeps its own and merges it.
struct NodeProgress {
  int alpha;  // principal-variation nodes; the zero-window kinds keep beta - 1
  int best;
  Move bestMove;
  int searched;  // moves searched (the late-move rules count them)
  int legal;     // legal moves met, searched or not
  int skipped;   // losing quiet evasions left for a second pass
  bool pruned;
  bool reversalSkipped;
};

// The counts a helper has reported to the node already.
struct ReportedCounts {
  int searched;
  int legal;
  int skipped;
};

struct NodeFrame {
  int kind;
  // Fixed while the loop runs.
  int beta;
  int depth;
  int eval;         // static evaluation of the node
  int parentEval;   // principal-variation style nodes: the evaluation handed to children
  int flags;        // followFlag of a principal-variation node, flags of a verification node
  int historySelect;
  Move hashMove;
  Move excludedMove;
  Move previous;    // this side's previous move, whose reversal may be skipped
  int mode;
  int extensionBudget;
  int firstExtension;  // principal-variation style nodes: extension of the first move
  int hashExtension;   // deep nodes: extension of the hash move
  int lmrBase;
  int gainMargin;
  int evasions;        // in-check nodes: number of evasions
  int lazyMargin;
  int pass;            // in-check nodes: 1 while the losing quiet evasions are tried
  bool inCheckNode;
  bool cutNode;
  bool skipLosing;
  NodeProgress progress;
  // Set by a helper that found a table entry that settles the node.
  bool settled;
};

}  // namespace velt
