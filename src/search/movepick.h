// The staged move picker of the node searches: moves are generated lazily, stage by
// stage, and handed out one at a time. Its state lives in pos.pickState[pos.ply].
#pragma once

#include "search/worker.h"

namespace velt {

// Stages. A normal node starts at PICK_HASH, a node in check at PICK_EVASIONS (after
// pickEvasions), a futile node at PICK_FUTILE_HASH, a gain-limited node at PICK_GAIN_HASH.
enum PickStage : int {
  PICK_EVASIONS = 0,  // walk the pre-generated, ordered evasion list
  PICK_HASH = 1,
  PICK_ALT = 2,
  PICK_GEN_CAPTURES = 3,
  PICK_CAPTURES = 4,
  PICK_KILLER1 = 5,
  PICK_KILLER2 = 6,
  PICK_GEN_QUIETS = 7,
  PICK_QUIETS = 10,
  PICK_DEFERRED = 11,
  PICK_FUTILE_HASH = 12,  // hash move, captures, checks; nothing else
  PICK_FUTILE_CAPTURES = 13,
  PICK_FUTILE_CHECKS = 14,
  PICK_GAIN_HASH = 16,  // hash move, captures, checks, quiet moves of enough gain
  PICK_GAIN_CAPTURES = 17,
  PICK_GAIN_CHECKS = 18,
  PICK_GAIN_QUIETS = 20,
  PICK_DONE = 21,
};

// Ordering keys of the evasion list.
constexpr int ORDER_HASH = 0x40000000;
constexpr int ORDER_CAPTURE = 0x20000000;
constexpr int ORDER_KILLER1 = 0x10000000;
constexpr int ORDER_KILLER2 = 0x0FFFFFFF;

// Same move, flags beyond the low 24 bits aside.
inline bool sameMove(Move a, Move b) { return ((a ^ b) & 0xFFFFFF) == 0; }
inline bool isQuiet(Move move) { return (move & (FLAG_CAPTURE | FLAG_PROMOTION)) == 0; }

// Stable insertion sort by descending score: the short move lists need no buffer.
void sortByScore(ScoredMove* begin, ScoredMove* end);

// Starts a picker at `stage`. `select` is the history bank (normal stages) or the
// strictCaptures flag (futility stage); gainLimit is used by the gain stage.
void pickStart(Worker& pos, int stage, Move hashMove, int select, int gainLimit);
// Generates every evasion (all squares as targets) and orders them: hash move,
// captures by victim, killers, quiet moves by history. Returns the evasion count.
int pickEvasions(Worker& pos, Move hashMove, int historySelect);
// The next move, 0 when the node has none left.
Move nextMove(Worker& pos);

// Whether a pseudo-legal move of the side to move may give check, directly from its
// destination or by uncovering a line piece (the picker's check-threat test).
bool mayGiveCheck(const Position& pos, Move move);
bool givesDirectCheck(const Position& pos, Move move);
// Whether the moving man leaves a line between the enemy king and an own slider.
bool givesDiscoveredCheck(const Position& pos, Move move);
// Whether a pawn of `colour` on `square` counts as passed for the extensions.
bool passedPawnTest(const Position& pos, int square, int colour);
// Rank of a square as seen by `colour` (0 = own first rank).
inline int relativeRank(int square, int colour) { return colour == WHITE ? rankOf(square) : 7 - rankOf(square); }

}  // namespace velt
