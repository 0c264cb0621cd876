// The table of the decided-position search. It lives in the main table's memory,
// viewed as 16-byte entries in buckets of four, and keeps exact mate distances: each
// entry holds a lower and an upper bound with depths of their own, full 16-bit
// scores, and mate scores are stored relative to the node (adjusted by the ply).
//
// Entry bytes (little-endian): 0-3 high half of the key; 4-5 move bits 0-15; 6-7
// lower score; 8-9 upper score; 10 greatest depth stored; 11 age; 12 depth of the
// search that stored the move; 13 lower depth; 14 upper depth; 15 move bits 16-18 in
// bits 0-2 and 22-23 in bits 6-7, the lock in bit 3. A depth byte with bit 7 set
// belongs to a mate bound, which no real depth exceeds.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/tt.h"

namespace velt {


struct DecidedEntry {
  std::uint32_t word[4];
};
static_assert(sizeof(DecidedEntry) == 16);

constexpr int DECIDED_MATE_DEPTH = 0x80;  // depth-byte mark of a mate bound
constexpr std::uint32_t DECIDED_LOCK = 1u << 27;  // in word 3
constexpr int DECIDED_EMPTY_BOUND = 32000;  // score of a bound not known yet

// A matching entry as read under its lock, scores adjusted to the node's ply.
struct DecidedHit {
  bool found = false;
  Move move = MOVE_NONE;
  int lower = -DECIDED_EMPTY_BOUND;
  int upper = DECIDED_EMPTY_BOUND;
  int lowerDepth = 0;
  int upperDepth = 0;
  int maxDepth = 0;  // without the mate mark
};

// Index mask of the 16-byte view: bucket starts within the block, four-aligned.
std::uint32_t decidedIndexMask(const TranspositionTable& tt);
DecidedEntry* decidedBucket(const TranspositionTable& tt, std::uint64_t key);

// Search start: the next age and the victim priorities by age.
void decidedNewSearch(TranspositionTable& tt);

// A mate score as stored (relative to the node) and as read back at `ply`.
int decidedScoreToTable(int score, int ply);
int decidedScoreFromTable(int score, int ply);

// Stores a lower bound (with its move) or an upper bound of a node at `ply`.
void decidedStoreLower(TranspositionTable& tt, std::uint64_t key, int depth, Move move, int score, int ply);
void decidedStoreUpper(TranspositionTable& tt, std::uint64_t key, int depth, int score, int ply);
// Reads the key's entry (refreshing its age); hit.found is false when there is none.
void decidedProbe(const TranspositionTable& tt, const Position& pos, std::uint64_t key, DecidedHit& hit);

// The fields of an entry, for the root's table move and for tests.
Move decidedEntryMove(const DecidedEntry& entry);
bool decidedEntryLocked(const DecidedEntry& entry);

}  // namespace velt
