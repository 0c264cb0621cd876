// Merging a helper's work into its split point.
#include "search/split_merge.h"

#include <algorithm>

#include "search/node.h"
#include "search/parallel.h"

namespace velt {

namespace {

void copyLine(Worker& to, const Worker& from, int ply) {
  to.pvLength[ply] = from.pvLength[ply];
  std::copy(from.pv[ply] + ply, from.pv[ply] + std::max(from.pvLength[ply], ply), to.pv[ply] + ply);
}

}  // namespace

void exchangeCounts(NodeProgress& node, NodeProgress& mine, ReportedCounts& reported) {
  node.searched += mine.searched - reported.searched;
  node.legal += mine.legal - reported.legal;
  node.skipped += mine.skipped - reported.skipped;
  node.pruned |= mine.pruned;
  node.reversalSkipped |= mine.reversalSkipped;
  mine.searched = node.searched;
  mine.legal = node.legal;
  mine.skipped = node.skipped;
  mine.alpha = std::max(mine.alpha, node.alpha);
  reported = {mine.searched, mine.legal, mine.skipped};
}

void reportCutoff(Worker& copy, const NodeProgress& mine, bool settled) {
  Worker& parent = *copy.parent;
  SplitPoint& point = *parent.split;
  SpinGuard threadsGuard(searchThreadsLock(copy.engine->pool));
  SpinGuard guard(point.lock);
  if (stopped(copy)) return;
  for (Worker* slave : point.slaves) {
    if (slave != nullptr && slave != &copy) stopTree(*slave);
  }
  NodeFrame& node = *point.frame;
  node.settled = settled;
  node.progress.best = mine.best;
  node.progress.alpha = std::max(node.progress.alpha, mine.alpha);
  node.progress.bestMove = mine.bestMove;
  copyLine(parent, copy, parent.ply);
}

void mergeResult(Worker& copy, const NodeProgress& mine) {
  Worker& parent = *copy.parent;
  NodeFrame& node = *parent.split->frame;
  if (stopped(copy) || mine.best <= node.progress.best) return;
  node.progress.best = mine.best;
  if (mine.best <= node.progress.alpha) return;
  node.progress.alpha = mine.alpha;
  node.progress.bestMove = mine.bestMove;
  copyLine(parent, copy, parent.ply);
}

}  // namespace velt
