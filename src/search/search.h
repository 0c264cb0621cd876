// The node search: a principal-variation search split into routines by node kind.
// Depths count half-plies (one ply costs 2). Every routine works on the calling
// thread's own Worker, returns a score from the side to move's view, and returns 0
// at once when the thread's stop flag is set (callers then discard the result).
#pragma once

#include "search/worker.h"

namespace velt {

// The table-and-score policies the node routines are built with (node_table.h,
// decided_table.h); the normal search's is the default.
struct NormalTable;
struct DecidedTable;

// Node modes of the deep zero-window routines.
constexpr int MODE_NULL_ALLOWED = 1;
constexpr int MODE_EXCLUDED_SEARCH = 4;  // inside a singular (excluded-move) test
constexpr int MODE_EXPECTED_CUT = 8;
constexpr int MODE_PV_CHILD = MODE_EXPECTED_CUT | MODE_NULL_ALLOWED;  // 9
constexpr int MODE_SINGULAR_TEST = MODE_EXCLUDED_SEARCH | MODE_NULL_ALLOWED;  // 5
// The bits that say what kind of node a deep zero-window node is: an expected all
// node (none), an expected cut node, or one inside a singular test.
constexpr int MODE_KIND_MASK = MODE_EXCLUDED_SEARCH | MODE_EXPECTED_CUT;
inline bool isExpectedAllNode(int mode) { return (mode & MODE_KIND_MASK) == 0; }
inline bool isExpectedCutNode(int mode) { return (mode & MODE_KIND_MASK) == MODE_EXPECTED_CUT; }
// Depths count half-plies.
constexpr int ONE_PLY = 2;
constexpr int HALF_PLY = 1;
// Zero-window routines below this depth are the shallow ones.
constexpr int DEEP_DEPTH = 5 * ONE_PLY;
// searchVerify flag: verifying a move of a principal-variation node, whose draws
// score with the contempt of drawScore like the principal-variation node's own.
constexpr int VERIFY_PV_MOVE = 0x2000;

// Full-window node: internal deepening, hash-move extension with a singular test,
// zero-window children re-searched on the full window when they beat alpha.
template <class T = NormalTable>
int searchPV(Worker& pos, int alpha, int beta, int depth, int parentEval, int followFlag);
// Zero-window check of a move that beat alpha deep in a principal-variation node before
// the full re-search: built like searchPV (same table rules for trusted entries,
// internal deepening through searchPV, the same extensions) but every move gets a
// zero-window child and nothing is pruned. Its bounds are stored untrusted.
template <class T = NormalTable>
int searchVerify(Worker& pos, int beta, int depth, int parentEval, int flags);
template <class T = NormalTable>
int searchZW(Worker& pos, int beta, int depth);
template <class T = NormalTable>
int searchZWInCheck(Worker& pos, int beta, int depth);
// Deep zero-window node. A hash move proved singular is extended by a full ply, or by
// half a ply when the node two plies up proved singular too and this node's own
// extension budget is spent: chains of forced moves then deepen the search by at most
// half a ply per move pair.
template <class T = NormalTable>
int searchZWDeep(Worker& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget);
// The deep node in check: every evasion (losing quiet ones only when nothing else is
// legal) at depth - 2, half a ply deeper when it gives check or from the middle
// stages on, as deep as the node itself when it is the only evasion and the budget
// allows.
template <class T = NormalTable>
int searchZWDeepInCheck(Worker& pos, int beta, int depth, Move excludedMove, int mode, int extensionBudget);

// The zero-window routine for the side now to move at bound beta, chosen by depth
// and check status (frontier search at depth 1 or less).
template <class T = NormalTable>
int searchZWAny(Worker& pos, int beta, int depth, int mode, int extensionBudget);

// The table key of a node searched without `excludedMove`.
std::uint64_t excludedKey(const Position& pos, Move excludedMove);

}  // namespace velt
