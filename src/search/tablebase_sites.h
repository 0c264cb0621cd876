// Where the search consults the endgame tablebases: the node entry, the root, and the
// usable tablebase size of the current search.
#pragma once

#include "search/worker.h"

namespace velt {

struct Tablebases;

// How a node kind probes at its entry.
struct TablebaseProbeRule {
  int largestMen;       // 4 for the shallow zero-window nodes, else 5
  int fiveMenDepth;     // depth from which five men are probed
  bool fiveMenWhiteOnly;
  bool drawScoreForDraw;  // principal-variation style nodes score a draw with drawScore
};

// The tablebases the searches probe, set by their owner whenever it (re)opens them;
// null means none. The record must outlive its use by the searches.
void setSearchTablebases(const Tablebases* files);
// Forgets `files` when the searches probe them, before their owner ends.
void forgetSearchTablebases(const Tablebases& files);
// Sets the usable tablebase size at the start of a search; a tight hard limit keeps
// the five-men files out.
void prepareSearchTablebases(bool hardLimit, int targetTimeCs);
// Probes the root; true when the root is a tablebase draw.
bool probeRootTablebase(Worker& pos);
bool rootTablebaseDraw();
// Whether a root move keeps the root's tablebase draw (always true when the root is no
// tablebase draw or the position after the move is not covered).
bool keepsTablebaseDraw(Worker& pos);
// Node-entry probe: true with `result` when the node ends on a tablebase value.
bool tablebaseEnds(Worker& pos, int depth, const TablebaseProbeRule& rule, int& result);

}  // namespace velt
