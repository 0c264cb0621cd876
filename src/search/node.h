// What every search routine does on entry and around its moves: the stop flag, node
// counting with the input poll, the repetition and fifty-move tests, and the null
// move. All of it works on the calling thread's own Worker.
#pragma once

#include <atomic>

#include "search/engine_core.h"
#include "search/worker.h"

namespace velt {

// Deepest ply a node may have; deeper nodes return a draw score.
constexpr int PLY_LIMIT = 62;
// Deepest remaining depth the table can record (half-plies).
constexpr int MAX_TT_DEPTH = 127;
// Bit of checkInfo that a deep zero-window node sets when its hash move proved singular.
constexpr std::uint32_t SINGULAR_MARK = 0x100;

inline bool stopped(Worker& pos) { return std::atomic_ref<int>(pos.stop).load(std::memory_order_relaxed) != 0; }
inline void setStop(Worker& pos) { std::atomic_ref<int>(pos.stop).store(1, std::memory_order_relaxed); }

// Polls input and time (main thread only); stops every search thread when the search
// must end.
void pollSearch(Worker& pos);

// A node starts with an empty line and an empty move list: its list begins where
// the parent's ends (a parent that made a null move has generated nothing yet).
inline void startNode(Worker& pos) {
  pos.pvLength[pos.ply] = pos.ply;
  pos.listStart[pos.ply + 1] = pos.listStart[pos.ply];
}

// Counts the node and polls on the polling thread; true when the search must stop.
inline bool countNode(Worker& pos) {
  ++pos.nodes;
  if (pos.threadIndex == 0 && (pos.nodes & pos.engine->search.pollMask) == 0) pollSearch(pos);
  return stopped(pos);
}

// The evaluation that make-move stored for this node.
inline int nodeEval(const Position& pos) { return pos.undo[pos.gamePly - 1].evalAfter; }
inline bool nodeInCheck(const Position& pos) { return inCheck(pos.checkInfo[pos.gamePly]); }

// An earlier position with the same side to move since the last irreversible move.
inline bool isRepetition(const Position& pos) {
  if (pos.rule50 <= 3) return false;
  const std::uint32_t key = static_cast<std::uint32_t>(pos.hashKey);
  const int oldest = pos.gamePly - pos.rule50 < 0 ? 0 : pos.gamePly - pos.rule50;
  for (int index = pos.gamePly - 4; index >= oldest; index -= 2) {
    if (static_cast<std::uint32_t>(pos.undo[index].hashKey) == key) return true;
  }
  return false;
}

// The null move: the side to move passes. The child's static value is given
// (make-move does not run); the attack maps and positional part carry over.
void makeNullMove(Worker& pos, int childEval);

// Whether the side to move has a legal move (used at the fifty-move limit).
bool hasLegalMove(Worker& pos);

}  // namespace velt
