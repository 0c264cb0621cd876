// Where the search consults the endgame tablebases: the node entry, the root, and the
// usable tablebase size of the current search.
#pragma once

#include "egtb/syzygy.h"
#include "search/worker.h"

namespace velt {

// The tablebases as the current search uses them.
struct SearchTablebases {
  int usableMen = 0;
  bool rootDraw = false;
  // Syzygy: nodes with at most syzygyMen men and at least syzygyDepth half-plies to go
  // probe right after a capture or a pawn move.
  int syzygyMen = 0;
  int syzygyDepth = 0;
  bool fiftyMoveRule = true;
  // The root's moves were ranked by the Syzygy tables, whose verdict is rootWdl.
  bool rootRanked = false;
  SyzygyWdl rootWdl = SyzygyWdl::DRAW;
};

// How a node kind probes at its entry.
struct TablebaseProbeRule {
  int largestMen;       // 4 for the shallow zero-window nodes, else 5
  int fiveMenDepth;     // depth from which five men are probed
  bool fiveMenWhiteOnly;
  bool drawScoreForDraw;  // principal-variation style nodes score a draw with drawScore
};

// Sets the usable tablebase size at the start of a search; a tight hard limit keeps
// the five-men files out.
void prepareSearchTablebases(EngineCore& engine, bool hardLimit, int targetTimeCs);
// Probes the root; true when the root is a tablebase draw.
bool probeRootTablebase(Worker& pos);
bool rootTablebaseDraw(const EngineCore& engine);
// Whether a root move keeps the root's tablebase draw (always true when the root is no
// tablebase draw or the position after the move is not covered).
bool keepsTablebaseDraw(Worker& pos);
// Ranks the root moves by the Syzygy tables when they hold the root: only the moves
// that keep its best outcome stay in the root list (by distance to zeroing unless the
// engine's own tables, which give exact mates, hold the root too).
void rankRootBySyzygy(Worker& pos);
// The root score an analysis line shows for a Syzygy win or loss whose mate the search
// has not seen: the Syzygy value.
int tablebaseRootScore(const EngineCore& engine, int score);
// Node-entry probe: true with `result` when the node ends on a tablebase value: the
// engine's own tables by the rule, else the Syzygy verdict (a draw, or a win or loss
// that bounds the window [alpha, beta]).
bool tablebaseEnds(Worker& pos, int depth, const TablebaseProbeRule& rule, int alpha, int beta, int& result);

}  // namespace velt
