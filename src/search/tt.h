// The transposition table: one shared array of 8-byte entries in buckets of four,
// read and written by every search thread without a table-wide lock. Each entry
// carries its own spin-lock bit. Scores are kept in a narrow window that follows the
// recent root scores, so mate scores never enter the table and need no ply fix-up.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/position.h"

namespace velt {

// Word 0: depth bits 0-6, fromTo bits 7-18, score field bits 19-29, bound bits 30-31.
constexpr std::uint32_t TT_DEPTH_MASK = 0x7F;
constexpr int TT_MOVE_SHIFT = 7;
constexpr int TT_SCORE_SHIFT = 19;
constexpr std::uint32_t TT_LOWER = 0x40000000u;
constexpr std::uint32_t TT_UPPER = 0x80000000u;
constexpr std::uint32_t TT_EXACT = TT_LOWER | TT_UPPER;
// Word 1: age bits 0-2, flags, lock bit, key check bits 6-31.
constexpr std::uint32_t TT_AGE_MASK = 0x7;
constexpr std::uint32_t TT_RESTRICTED = 0x8;
constexpr std::uint32_t TT_TRUSTED = 0x10;
constexpr std::uint32_t TT_LOCK = 0x20;
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

struct TTEntry {
  std::uint32_t word0;
  std::uint32_t word1;
};

// A copy of one entry taken under its lock.
struct TTHit {
  int depth;
  int fromTo;
  int score;            // field minus the bias
  std::uint32_t bound;  // TT_LOWER, TT_UPPER or TT_EXACT
  std::uint32_t flags;  // TT_RESTRICTED | TT_TRUSTED
};

extern TTEntry* ttTable;
extern std::uint32_t ttMask;  // index mask of the allocated table (entries - 4)
extern int ttAge;
extern int ttWindowLow, ttWindowHigh;
extern int ttStoreMin, ttStoreMax;  // biased clamps of the window
extern int replacePriority[8][128];
// Root scores of the last eight searches, newest first; 30000 in [0] after a new
// game means there is no history yet.
extern int recentRootScores[8];

// Allocates a table of indexMask + 4 entries (options.ttIndexMask), zero-filled;
// false when the memory is not available (the old table is gone either way).
bool ttAllocate(std::uint32_t indexMask);
void ttRelease();
// Zero-fills the table, restarts the generations and resets the history tables.
void ttClear();
// Advances the generation and rebuilds the replacement priorities.
void ttNewSearch();
// Make-move warms up the entry of the position it reaches; the search about to start
// tells where that entry lies in its view of the table (index mask and entry size).
void ttRegisterPrefetch(std::uint32_t indexMask, std::uint32_t entryBytes);
// Clears the table when the side to move differs from the previous search's
// (unless the hash is to be preserved), then remembers the side.
void ttSideCheck(int side, bool preserveHash);
// A new game forgets the remembered side.
void ttForgetSide();
// Chooses the score window from recentRootScores; timePerMove decides whether an
// edge score clears the table.
void ttUpdateWindow(int timePerMove);
// Puts a window [low, low + WINDOW_SPAN] in force and sets the two biased clamps.
void ttSetWindow(int low);
// Shifts recentRootScores by one place and puts score first.
void ttRecordRootScore(int score);

inline TTEntry* ttBucket(std::uint64_t key) {
  return ttTable + (static_cast<std::uint32_t>(key) & ttMask);
}
inline bool ttMatches(const TTEntry& entry, std::uint64_t key) {
  const std::uint32_t word1 = std::atomic_ref<const std::uint32_t>(entry.word1).load(std::memory_order_relaxed);
  return ((word1 ^ static_cast<std::uint32_t>(key >> 32)) & TT_KEY_MASK) == 0;
}

// Reads a matching entry under its lock; false when it no longer matches.
bool ttRead(TTEntry& entry, std::uint64_t key, TTHit& hit);
// The entries of the key's bucket that match it, in bucket order, each read under
// its lock.
struct TTScan {
  int count = 0;
  TTHit hits[4];
  TTEntry* entries[4];
};
void ttScan(std::uint64_t key, TTScan& scan);
// The move (from-to) of the first matching entry that has one, 0 when none.
int ttFirstFromTo(std::uint64_t key);
// Sets a matching entry's age to the current generation (under its lock).
void ttRefreshAge(TTEntry& entry, std::uint64_t key);

// Entries copied out and back whole (the analysis file). A snapshot is read under the
// entry's lock and comes without the lock bit; a restored entry is written unlocked
// and dated to the current generation, whatever bits it came with.
TTEntry ttSnapshot(std::uint32_t index);
void ttRestore(std::uint32_t index, TTEntry entry);

// Stores. scoreField is already biased and clamped (see the ttField helpers).
void ttStoreLower(std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreLowerTrusted(std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreUpper(std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreExact(std::uint64_t key, int depth, int fromTo, int scoreField);
void ttStoreLowerKeyed(std::uint64_t key, int depth, int fromTo, int scoreField, int restricted);
void ttStoreUpperKeyed(std::uint64_t key, int depth, int fromTo, int scoreField, int restricted);
// The plain bounds of the shallow zero-window nodes (neither flag).
void ttStoreUpperPlain(std::uint64_t key, int depth, int fromTo, int scoreField);

// Score clamping: a fail-high score below the window and a fail-low score above it
// are not stored at all; the rest is clipped at the window edge.
inline bool ttLowerStorable(int score) { return score >= ttWindowLow; }
inline bool ttUpperStorable(int score) { return score <= ttWindowHigh; }
inline int ttLowerField(int score) { return score + ttScoreBias < ttStoreMax ? score + ttScoreBias : ttStoreMax; }
inline int ttUpperField(int score) { return score + ttScoreBias > ttStoreMin ? score + ttScoreBias : ttStoreMin; }
// An exact score: inside the window as exact, above it as a trusted lower bound at
// the top, below it as an upper bound at the bottom.
void ttStoreExactClipped(std::uint64_t key, int depth, int fromTo, int score);

// Rebuilds a full move from the stored from/to squares against the position
// (under-promotions come back as queen promotions).
Move ttMoveToMove(const Position& pos, int fromTo);
inline int moveFromTo(Move move) { return static_cast<int>(move & 0xFFF); }

}  // namespace velt
