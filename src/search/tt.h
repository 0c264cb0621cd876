// The transposition table: one shared array of 8-byte entries in buckets of four,
// read and written by every search thread without locks: an entry is loaded and
// stored whole, as one 64-bit word. Scores are kept in a narrow window that follows
// the recent root scores, so mate scores never enter the table and need no ply fix-up.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"
#include "board/prefetch.h"

namespace velt {

// Word 0: depth bits 0-6, fromTo bits 7-18, score field bits 19-29, bound bits 30-31.
constexpr std::uint32_t TT_DEPTH_MASK = 0x7F;
constexpr int TT_MOVE_SHIFT = 7;
constexpr int TT_SCORE_SHIFT = 19;
constexpr std::uint32_t TT_LOWER = 0x40000000u;
constexpr std::uint32_t TT_UPPER = 0x80000000u;
constexpr std::uint32_t TT_EXACT = TT_LOWER | TT_UPPER;
// Word 1: age bits 0-2, flags, bit 5 unused (always 0), key check bits 6-31.
constexpr std::uint32_t TT_AGE_MASK = 0x7;
constexpr std::uint32_t TT_RESTRICTED = 0x8;
constexpr std::uint32_t TT_TRUSTED = 0x10;
constexpr std::uint32_t TT_KEY_MASK = 0xFFFFFFC0u;

constexpr int ttScoreBias = 1024;

// The score window's edges: the table holds scores in a window WINDOW_SPAN wide whose
// edges sit at these distances from zero; a score clipped to an edge is shown smoothed.
constexpr int WINDOW_EDGE_NEAR = 500;
constexpr int WINDOW_EDGE_MIDDLE = 750;
constexpr int WINDOW_EDGE_FAR = 1000;
constexpr int WINDOW_SPAN = 2 * WINDOW_EDGE_NEAR;
inline bool isWindowEdge(int score) {
  const int absolute = score < 0 ? -score : score;
  return absolute == WINDOW_EDGE_NEAR || absolute == WINDOW_EDGE_MIDDLE || absolute == WINDOW_EDGE_FAR;
}

// Word 0 in the low half, word 1 in the high half: the bytes of the two words one
// after the other, as the analysis file keeps them.
struct TTEntry {
  std::uint64_t bits;
  std::uint32_t word0() const { return static_cast<std::uint32_t>(bits); }
  std::uint32_t word1() const { return static_cast<std::uint32_t>(bits >> 32); }
};
constexpr TTEntry ttEntryOf(std::uint32_t word0, std::uint32_t word1) {
  return {word0 | static_cast<std::uint64_t>(word1) << 32};
}
inline TTEntry ttLoad(const TTEntry& entry) {
  return {std::atomic_ref<const std::uint64_t>(entry.bits).load(std::memory_order_relaxed)};
}

// The fields of one entry as loaded.
struct TTHit {
  int depth;
  int fromTo;
  int score;            // field minus the bias
  std::uint32_t bound;  // TT_LOWER, TT_UPPER or TT_EXACT
  std::uint32_t flags;  // TT_RESTRICTED | TT_TRUSTED
};

constexpr int DECIDED_AGES = 64;  // generations of the decided search's 16-byte view
constexpr int NO_SIDE = -1;

// The table and its state: the score window, the generation and its replacement
// priorities, the root scores the window follows, and the decided search's own
// generation over the same memory. The engine owns one; its search threads share it.
struct TranspositionTable {
  TTEntry* entries = nullptr;
  std::uint32_t mask = 0;  // index mask of the allocated table (entries - 4)
  int age = 0;
  int windowLow = -WINDOW_EDGE_NEAR, windowHigh = WINDOW_EDGE_NEAR;
  int storeMin = -WINDOW_EDGE_NEAR + ttScoreBias, storeMax = WINDOW_EDGE_NEAR + ttScoreBias;  // biased clamps
  int replacePriority[8][128] = {};
  // Root scores of the last eight searches, newest first; MATE_SCORE in [0] after a
  // new game means there is no history yet.
  int recentRootScores[8] = {MATE_SCORE};
  int lastSearchSide = NO_SIDE;  // the side to move of the previous search
  // Where make-move warms up the entry of the position it reaches, in the view of
  // the search family running (set at its start).
  PrefetchTarget prefetch;
  int decidedAge = 0;
  int decidedPriority[DECIDED_AGES] = {};

  TranspositionTable() = default;
  TranspositionTable(const TranspositionTable&) = delete;
  TranspositionTable& operator=(const TranspositionTable&) = delete;
  ~TranspositionTable();
};

// Allocates a table of indexMask + 4 entries (options.ttIndexMask), zero-filled;
// false when the memory is not available (the old table is gone either way).
bool ttAllocate(TranspositionTable& tt, std::uint32_t indexMask);
void ttRelease(TranspositionTable& tt);
// Zero-fills the table and restarts the generations (the engine's clear also empties
// the pawn hash and resets the history).
void ttClear(TranspositionTable& tt);
// Advances the generation and rebuilds the replacement priorities.
void ttNewSearch(TranspositionTable& tt);
// Make-move warms up the entry of the position it reaches; the search about to start
// tells where that entry lies in its view of the table (index mask and entry size).
void ttRegisterPrefetch(TranspositionTable& tt, std::uint32_t indexMask, std::uint32_t entryBytes);
// Remembers the side to move of the search about to start; true when the table must
// be cleared because it differs from the previous search's (unless the hash is to be
// preserved).
bool ttSideChanged(TranspositionTable& tt, int side, bool preserveHash);
// A new game forgets the remembered side.
void ttForgetSide(TranspositionTable& tt);
// Chooses the score window from recentRootScores; true when the table must be cleared
// (an edge score with timePerMove 0 or over 500).
bool ttUpdateWindow(TranspositionTable& tt, int timePerMove);
// Puts a window [low, low + WINDOW_SPAN] in force and sets the two biased clamps.
void ttSetWindow(TranspositionTable& tt, int low);
// Shifts recentRootScores by one place and puts score first.
void ttRecordRootScore(TranspositionTable& tt, int score);

inline TTEntry* ttBucket(const TranspositionTable& tt, std::uint64_t key) {
  return tt.entries + (static_cast<std::uint32_t>(key) & tt.mask);
}
// The entries of the key's bucket that match it, in bucket order, each loaded once.
struct TTScan {
  int count = 0;
  TTHit hits[4];
  TTEntry* entries[4];
};
void ttScan(const TranspositionTable& tt, std::uint64_t key, TTScan& scan);
// The move (from-to) of the first matching entry that has one, 0 when none.
int ttFirstFromTo(const TranspositionTable& tt, std::uint64_t key);
// Sets a matching entry's age to the current generation, unless another thread has
// written the entry since the scan.
void ttRefreshAge(const TranspositionTable& tt, TTEntry& entry, std::uint64_t key);

// Entries copied out and back whole (the analysis file). A restored entry is dated to
// the current generation and has bit 5 clear, whatever bits it came with.
TTEntry ttSnapshot(const TranspositionTable& tt, std::uint32_t index);
void ttRestore(TranspositionTable& tt, std::uint32_t index, TTEntry entry);

// Stores. scoreField is already biased and clamped (see the ttField helpers).
void ttStoreLower(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreLowerTrusted(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreUpper(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreExact(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreLowerKeyed(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField,
                       int restricted);
void ttStoreUpperKeyed(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField,
                       int restricted);
// The plain bounds of the shallow zero-window nodes (neither flag).
void ttStoreUpperPlain(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField);

// Score clamping: a fail-high score below the window and a fail-low score above it
// are not stored at all; the rest is clipped at the window edge.
inline bool ttLowerStorable(const TranspositionTable& tt, int score) { return score >= tt.windowLow; }
inline bool ttUpperStorable(const TranspositionTable& tt, int score) { return score <= tt.windowHigh; }
inline int ttLowerField(const TranspositionTable& tt, int score) {
  return score + ttScoreBias < tt.storeMax ? score + ttScoreBias : tt.storeMax;
}
inline int ttUpperField(const TranspositionTable& tt, int score) {
  return score + ttScoreBias > tt.storeMin ? score + ttScoreBias : tt.storeMin;
}
// An exact score: inside the window as exact, above it as a trusted lower bound at
// the top, below it as an upper bound at the bottom.
void ttStoreExactClipped(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int score);

// Rebuilds a full move from the stored from/to squares against the position
// (under-promotions come back as queen promotions).
Move ttMoveToMove(const Position& pos, int fromTo);
inline int moveFromTo(Move move) { return static_cast<int>(move & 0xFFF); }

}  // namespace velt
