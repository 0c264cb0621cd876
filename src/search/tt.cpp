// Transposition table storage, replacement and the score window.
#include "search/tt.h"

#include <cstdlib>
#include <cstring>

#include "platform/memory.h"


namespace velt {

namespace {

using AtomicEntry = std::atomic_ref<std::uint64_t>;

void storeWhole(TTEntry& entry, TTEntry value) { AtomicEntry(entry.bits).store(value.bits, std::memory_order_relaxed); }

bool keyMatches(std::uint32_t word1, std::uint64_t key) {
  return ((word1 ^ static_cast<std::uint32_t>(key >> 32)) & TT_KEY_MASK) == 0;
}

int entryDepth(std::uint32_t word0) { return static_cast<int>(word0 & TT_DEPTH_MASK); }

// Whether a keyed restricted store may overwrite a matching entry: only one of the
// same bound type that is itself restricted.
bool restrictedMayOverwrite(std::uint32_t word0, std::uint32_t word1, std::uint32_t bound) {
  const std::uint32_t entryBound = word0 & TT_EXACT;
  const bool opposite = entryBound != TT_EXACT && entryBound != bound;
  return !opposite && (word1 & TT_RESTRICTED) != 0;
}

// The common store procedure: overwrite a matching entry that is not deeper, else
// the bucket entry of highest replacement priority. Returns the index of the entry
// written within the bucket when it was a matching one, else -1.
int storeEntry(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField, std::uint32_t bound,
               std::uint32_t flags, bool restrictedStore) {
  TTEntry* bucket = ttBucket(tt, key);
  const std::uint32_t newWord0 =
      bound | static_cast<std::uint32_t>(scoreField) << TT_SCORE_SHIFT |
      static_cast<std::uint32_t>(fromTo) << TT_MOVE_SHIFT | static_cast<std::uint32_t>(depth);
  const std::uint32_t newWord1 =
      (static_cast<std::uint32_t>(key >> 32) & TT_KEY_MASK) | flags | static_cast<std::uint32_t>(tt.age);
  int victim = 0;
  int victimPriority = -1;
  for (int i = 0; i < 4; ++i) {
    const TTEntry seen = ttLoad(bucket[i]);
    if (keyMatches(seen.word1(), key) && entryDepth(seen.word0()) <= depth &&
        (!restrictedStore || restrictedMayOverwrite(seen.word0(), seen.word1(), bound))) {
      storeWhole(bucket[i], ttEntryOf(newWord0, newWord1));
      return i;
    }
    const int priority = tt.replacePriority[seen.word1() & TT_AGE_MASK][entryDepth(seen.word0())];
    if (priority >= victimPriority) {
      victimPriority = priority;
      victim = i;
    }
  }
  storeWhole(bucket[victim], ttEntryOf(newWord0, newWord1));
  return -1;
}

}  // namespace

bool ttAllocate(TranspositionTable& tt, std::uint32_t indexMask) {
  ttRelease(tt);
  // Aligned to large pages, which spares the address translation misses that random
  // probes into a big table would otherwise cost (where the system offers them).
  constexpr std::size_t PAGE = std::size_t{2} << 20;
  const std::size_t bytes = (static_cast<std::size_t>(indexMask) + 4) * sizeof(TTEntry);
  const std::size_t rounded = (bytes + PAGE - 1) / PAGE * PAGE;
  tt.entries = static_cast<TTEntry*>(allocateAligned(PAGE, rounded));
  if (tt.entries == nullptr) return false;
  std::memset(static_cast<void*>(tt.entries), 0, bytes);
  tt.mask = indexMask;
  ttRegisterPrefetch(tt, tt.mask, sizeof(TTEntry));
  return true;
}

TranspositionTable::~TranspositionTable() { ttRelease(*this); }

void ttRelease(TranspositionTable& tt) {
  freeAligned(tt.entries);
  tt.entries = nullptr;
  tt.mask = 0;
  tt.prefetch = {};
}

void ttClear(TranspositionTable& tt) {
  if (tt.entries != nullptr) {
    std::memset(static_cast<void*>(tt.entries), 0, (static_cast<std::size_t>(tt.mask) + 4) * sizeof(TTEntry));
  }
  tt.age = 0;  // an empty table has no generations: searches after a clear repeat exactly
}

void ttRegisterPrefetch(TranspositionTable& tt, std::uint32_t indexMask, std::uint32_t entryBytes) {
  tt.prefetch = tt.entries != nullptr
                    ? PrefetchTarget{reinterpret_cast<std::uintptr_t>(tt.entries), indexMask, entryBytes}
                    : PrefetchTarget{};
}

void ttNewSearch(TranspositionTable& tt) {
  ttRegisterPrefetch(tt, tt.mask, sizeof(TTEntry));
  tt.age = (tt.age + 1) & 7;
  for (int age = 0; age < 8; ++age) {
    const int base = age == tt.age ? 510 : (((tt.age - age) & 7) + 1) * 256;
    for (int depth = 0; depth < 128; ++depth) tt.replacePriority[age][depth] = base - depth;
  }
}

bool ttSideChanged(TranspositionTable& tt, int side, bool preserveHash) {
  const bool changed = tt.lastSearchSide != NO_SIDE && tt.lastSearchSide != side && !preserveHash;
  tt.lastSearchSide = side;
  return changed;
}

void ttForgetSide(TranspositionTable& tt) { tt.lastSearchSide = NO_SIDE; }

void ttSetWindow(TranspositionTable& tt, int low) {
  tt.windowLow = low;
  tt.windowHigh = low + WINDOW_SPAN;
  tt.storeMin = tt.windowLow + ttScoreBias;
  tt.storeMax = tt.windowHigh + ttScoreBias;
}

bool ttUpdateWindow(TranspositionTable& tt, int timePerMove) {
  if (tt.recentRootScores[0] == MATE_SCORE) {
    for (int& score : tt.recentRootScores) score = 0;
    ttSetWindow(tt, -WINDOW_EDGE_NEAR);
    return false;
  }
  bool clearWanted = false;
  int sum = 0;
  if (std::abs(tt.recentRootScores[0]) == WINDOW_EDGE_NEAR && std::abs(tt.recentRootScores[1]) != WINDOW_EDGE_NEAR) {
    sum = 8 * tt.recentRootScores[0];
    clearWanted = timePerMove == 0 || timePerMove > 500;
  } else {
    for (int i = 0; i < 8; ++i) {
      if (std::abs(tt.recentRootScores[0] - tt.recentRootScores[i]) > 30 * i) return clearWanted;
      sum += tt.recentRootScores[i];
    }
  }
  if (sum == MATE_SCORE) return clearWanted;
  const int average = sum / 8;
  const int top = average + WINDOW_EDGE_NEAR;
  const int bottom = average - WINDOW_EDGE_NEAR;
  if (top >= WINDOW_EDGE_FAR && tt.windowHigh != WINDOW_EDGE_FAR) {
    ttSetWindow(tt, WINDOW_EDGE_FAR - WINDOW_SPAN);
  } else if (top >= WINDOW_EDGE_MIDDLE && top < WINDOW_EDGE_FAR && tt.windowHigh != WINDOW_EDGE_MIDDLE) {
    ttSetWindow(tt, WINDOW_EDGE_MIDDLE - WINDOW_SPAN);
  } else if (bottom <= -WINDOW_EDGE_FAR && tt.windowLow != -WINDOW_EDGE_FAR) {
    ttSetWindow(tt, -WINDOW_EDGE_FAR);
  } else if (bottom > -WINDOW_EDGE_FAR && bottom <= -WINDOW_EDGE_MIDDLE && tt.windowLow != -WINDOW_EDGE_MIDDLE) {
    ttSetWindow(tt, -WINDOW_EDGE_MIDDLE);
  } else if (top < WINDOW_EDGE_MIDDLE && bottom > -WINDOW_EDGE_MIDDLE && tt.windowHigh != WINDOW_EDGE_NEAR) {
    ttSetWindow(tt, -WINDOW_EDGE_NEAR);
  }
  return clearWanted;
}

void ttRecordRootScore(TranspositionTable& tt, int score) {
  for (int i = 7; i > 0; --i) tt.recentRootScores[i] = tt.recentRootScores[i - 1];
  tt.recentRootScores[0] = score;
}

void ttScan(const TranspositionTable& tt, std::uint64_t key, TTScan& scan) {
  TTEntry* bucket = ttBucket(tt, key);
  scan.count = 0;
  for (int i = 0; i < 4; ++i) {
    const TTEntry seen = ttLoad(bucket[i]);
    if (!keyMatches(seen.word1(), key)) continue;
    TTHit& hit = scan.hits[scan.count];
    hit.depth = entryDepth(seen.word0());
    hit.fromTo = static_cast<int>(seen.word0() >> TT_MOVE_SHIFT & 0xFFF);
    hit.score = static_cast<int>(seen.word0() >> TT_SCORE_SHIFT & 0x7FF) - ttScoreBias;
    hit.bound = seen.word0() & TT_EXACT;
    hit.flags = seen.word1() & (TT_RESTRICTED | TT_TRUSTED);
    scan.entries[scan.count++] = &bucket[i];
  }
}

int ttFirstFromTo(const TranspositionTable& tt, std::uint64_t key) {
  TTScan scan;
  ttScan(tt, key, scan);
  for (int i = 0; i < scan.count; ++i) {
    if (scan.hits[i].fromTo != 0) return scan.hits[i].fromTo;
  }
  return 0;
}

void ttRefreshAge(const TranspositionTable& tt, TTEntry& entry, std::uint64_t key) {
  TTEntry seen = ttLoad(entry);
  if (!keyMatches(seen.word1(), key)) return;
  const TTEntry dated = ttEntryOf(seen.word0(), (seen.word1() & ~TT_AGE_MASK) | static_cast<std::uint32_t>(tt.age));
  // A store of another thread since the load stays.
  AtomicEntry(entry.bits).compare_exchange_strong(seen.bits, dated.bits, std::memory_order_relaxed);
}

TTEntry ttSnapshot(const TranspositionTable& tt, std::uint32_t index) { return ttLoad(tt.entries[index]); }

void ttRestore(TranspositionTable& tt, std::uint32_t index, TTEntry entry) {
  constexpr std::uint32_t UNUSED_BIT = 0x20;
  storeWhole(tt.entries[index],
             ttEntryOf(entry.word0(), (entry.word1() & ~(UNUSED_BIT | TT_AGE_MASK)) | static_cast<std::uint32_t>(tt.age)));
}

void ttStoreLower(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_LOWER, 0, false);
}

void ttStoreLowerTrusted(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_LOWER, TT_TRUSTED, false);
}

void ttStoreUpper(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_UPPER, TT_TRUSTED, false);
}

void ttStoreUpperPlain(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_UPPER, 0, false);
}

void ttStoreLowerKeyed(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField,
                       int restricted) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_LOWER, restricted ? TT_RESTRICTED : 0, restricted != 0);
}

void ttStoreUpperKeyed(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField,
                       int restricted) {
  storeEntry(tt, key, depth, fromTo, scoreField, TT_UPPER, restricted ? TT_RESTRICTED : 0, restricted != 0);
}

void ttStoreExact(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int scoreField) {
  const int written = storeEntry(tt, key, depth, fromTo, scoreField, TT_EXACT, TT_TRUSTED, false);
  if (written < 0) return;
  // Stale shallower copies of the same position further on in the bucket go.
  TTEntry* bucket = ttBucket(tt, key);
  for (int i = written + 1; i < 4; ++i) {
    const TTEntry seen = ttLoad(bucket[i]);
    if (keyMatches(seen.word1(), key) && entryDepth(seen.word0()) <= depth) storeWhole(bucket[i], TTEntry{0});
  }
}

void ttStoreExactClipped(TranspositionTable& tt, std::uint64_t key, int depth, int fromTo, int score) {
  if (score > tt.windowHigh) {
    ttStoreLowerTrusted(tt, key, depth, fromTo, tt.storeMax);
  } else if (score < tt.windowLow) {
    ttStoreUpper(tt, key, depth, fromTo, tt.storeMin);
  } else {
    ttStoreExact(tt, key, depth, fromTo, score + ttScoreBias);
  }
}

Move ttMoveToMove(const Position& pos, int fromTo) {
  const int from = fromTo & 63;
  const int to = fromTo >> 6;
  Move flags = 0;
  const int target = pos.board[to];
  if (!isEmptyCell(target) && colourOfCode(target) == pos.xside) flags |= FLAG_CAPTURE;
  const int type = typeOfCode(pos.board[from]);
  if (type == PAWN) {
    flags |= FLAG_PAWN_MOVE;
    if (rankOf(to) == 0 || rankOf(to) == 7) {
      flags |= FLAG_PROMOTION | static_cast<Move>(QUEEN) << 16;
    } else if (to - from == 16 || from - to == 16) {
      flags |= FLAG_DOUBLE_STEP;
    } else if (to == pos.epSquare) {
      flags |= FLAG_EN_PASSANT | FLAG_CAPTURE;
    }
  } else if (type == KING) {
    if (to == from + 2) flags |= FLAG_CASTLE_SHORT;
    if (to == from - 2) flags |= FLAG_CASTLE_LONG;
  }
  return makeMoveWord(from, to, flags);
}

}  // namespace velt
