// How a helper's work at a split point joins the node it helps with: its counts as it
// goes, its result at the end, or the node's end when it finds a cutoff.
#pragma once

#include "search/node_frame.h"
#include "search/worker.h"

namespace velt {

// Under the split point's lock: the helper's new counts join the node's, and the
// helper goes on from the node's counts and alpha.
void exchangeCounts(NodeProgress& node, NodeProgress& mine, ReportedCounts& reported);
// A helper that ended the node (a cutoff, or a table entry that settles it) stops its
// siblings, whose partial results then count for nothing, and hands over its move,
// score and line. Takes smpLock and the split point's lock.
void reportCutoff(Worker& copy, const NodeProgress& mine, bool settled);
// A helper's result joins the node's: a better score, and with it the move and line
// when it also beats the node's alpha. A stopped helper's result is discarded. Needs
// the split point's lock.
void mergeResult(Worker& copy, const NodeProgress& mine);

}  // namespace velt
