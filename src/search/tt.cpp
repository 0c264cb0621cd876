// Transposition table storage, replacement and the score window.
#include "search/tt.h"

#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "board/prefetch.h"
#include "eval/pawns.h"
#include "search/history.h"

namespace velt {

TTEntry* ttTable = nullptr;
std::uint32_t ttMask = 0;
int ttAge = 0;
int ttWindowLow = -WINDOW_EDGE_NEAR, ttWindowHigh = WINDOW_EDGE_NEAR;
int ttStoreMin = -WINDOW_EDGE_NEAR + ttScoreBias, ttStoreMax = WINDOW_EDGE_NEAR + ttScoreBias;
int replacePriority[8][128];
int recentRootScores[8] = {MATE_SCORE};

namespace {

constexpr int NO_SIDE = -1;
int lastSearchSide = NO_SIDE;

using AtomicWord = std::atomic_ref<std::uint32_t>;

std::uint32_t loadWord(std::uint32_t& word) { return AtomicWord(word).load(std::memory_order_relaxed); }

// Spins until this thread holds the entry's lock bit; returns word 1 as it was.
std::uint32_t lockEntry(TTEntry& entry) {
  AtomicWord word1(entry.word1);
  for (;;) {
    const std::uint32_t previous = word1.fetch_or(TT_LOCK, std::memory_order_acquire);
    if ((previous & TT_LOCK) == 0) return previous;
    while (word1.load(std::memory_order_relaxed) & TT_LOCK) {
    }
  }
}

void unlockEntry(TTEntry& entry) { AtomicWord(entry.word1).fetch_and(~TT_LOCK, std::memory_order_release); }

// Writes both words of a locked entry; the store of word 1 releases the lock.
void writeEntry(TTEntry& entry, std::uint32_t word0, std::uint32_t word1) {
  AtomicWord(entry.word0).store(word0, std::memory_order_relaxed);
  AtomicWord(entry.word1).store(word1, std::memory_order_release);
}

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
int storeEntry(std::uint64_t key, int depth, int fromTo, int scoreField, std::uint32_t bound, std::uint32_t flags,
               bool restrictedStore) {
  TTEntry* bucket = ttBucket(key);
  const std::uint32_t newWord0 =
      bound | static_cast<std::uint32_t>(scoreField) << TT_SCORE_SHIFT |
      static_cast<std::uint32_t>(fromTo) << TT_MOVE_SHIFT | static_cast<std::uint32_t>(depth);
  const std::uint32_t newWord1 =
      (static_cast<std::uint32_t>(key >> 32) & TT_KEY_MASK) | flags | static_cast<std::uint32_t>(ttAge);
  int victim = 0;
  int victimPriority = -1;
  for (int i = 0; i < 4; ++i) {
    TTEntry& entry = bucket[i];
    if (keyMatches(loadWord(entry.word1), key)) {
      const std::uint32_t word1 = lockEntry(entry);
      const std::uint32_t word0 = loadWord(entry.word0);
      if (keyMatches(word1, key) && entryDepth(word0) <= depth &&
          (!restrictedStore || restrictedMayOverwrite(word0, word1, bound))) {
        writeEntry(entry, newWord0, newWord1);
        return i;
      }
      unlockEntry(entry);
    }
    const int priority = replacePriority[loadWord(entry.word1) & TT_AGE_MASK][entryDepth(loadWord(entry.word0))];
    if (priority >= victimPriority) {
      victimPriority = priority;
      victim = i;
    }
  }
  lockEntry(bucket[victim]);
  writeEntry(bucket[victim], newWord0, newWord1);
  return -1;
}

}  // namespace

bool ttAllocate(std::uint32_t indexMask) {
  ttRelease();
  // Aligned to large pages, which spares the address translation misses that random
  // probes into a big table would otherwise cost.
  constexpr std::size_t PAGE = std::size_t{2} << 20;
  const std::size_t bytes = (static_cast<std::size_t>(indexMask) + 4) * sizeof(TTEntry);
  const std::size_t rounded = (bytes + PAGE - 1) / PAGE * PAGE;
  ttTable = static_cast<TTEntry*>(std::aligned_alloc(PAGE, rounded));
  if (ttTable == nullptr) return false;
#ifdef __linux__
  madvise(ttTable, rounded, MADV_HUGEPAGE);
#endif
  std::memset(static_cast<void*>(ttTable), 0, bytes);
  ttMask = indexMask;
  ttRegisterPrefetch(ttMask, sizeof(TTEntry));
  return true;
}

void ttRelease() {
  std::free(ttTable);
  ttTable = nullptr;
  ttMask = 0;
  prefetchTarget = {};
}

void ttClear() {
  if (ttTable != nullptr) {
    std::memset(static_cast<void*>(ttTable), 0, (static_cast<std::size_t>(ttMask) + 4) * sizeof(TTEntry));
  }
  clearPawnHash();
  ttAge = 0;  // an empty table has no generations: searches after a clear repeat exactly
  resetHistory();
}

void ttRegisterPrefetch(std::uint32_t indexMask, std::uint32_t entryBytes) {
  prefetchTarget = ttTable != nullptr ? PrefetchTarget{reinterpret_cast<std::uintptr_t>(ttTable), indexMask, entryBytes}
                                      : PrefetchTarget{};
}

void ttNewSearch() {
  ttRegisterPrefetch(ttMask, sizeof(TTEntry));
  ttAge = (ttAge + 1) & 7;
  for (int age = 0; age < 8; ++age) {
    const int base = age == ttAge ? 510 : (((ttAge - age) & 7) + 1) * 256;
    for (int depth = 0; depth < 128; ++depth) replacePriority[age][depth] = base - depth;
  }
}

void ttSideCheck(int side, bool preserveHash) {
  if (lastSearchSide != NO_SIDE && lastSearchSide != side && !preserveHash) ttClear();
  lastSearchSide = side;
}

void ttForgetSide() { lastSearchSide = NO_SIDE; }

void ttSetWindow(int low) {
  ttWindowLow = low;
  ttWindowHigh = low + WINDOW_SPAN;
  ttStoreMin = ttWindowLow + ttScoreBias;
  ttStoreMax = ttWindowHigh + ttScoreBias;
}

void ttUpdateWindow(int timePerMove) {
  if (recentRootScores[0] == MATE_SCORE) {
    for (int& score : recentRootScores) score = 0;
    ttSetWindow(-WINDOW_EDGE_NEAR);
    return;
  }
  int sum = 0;
  if (std::abs(recentRootScores[0]) == WINDOW_EDGE_NEAR && std::abs(recentRootScores[1]) != WINDOW_EDGE_NEAR) {
    sum = 8 * recentRootScores[0];
    if (timePerMove == 0 || timePerMove > 500) ttClear();
  } else {
    for (int i = 0; i < 8; ++i) {
      if (std::abs(recentRootScores[0] - recentRootScores[i]) > 30 * i) return;
      sum += recentRootScores[i];
    }
  }
  if (sum == MATE_SCORE) return;
  const int average = sum / 8;
  const int top = average + WINDOW_EDGE_NEAR;
  const int bottom = average - WINDOW_EDGE_NEAR;
  if (top >= WINDOW_EDGE_FAR && ttWindowHigh != WINDOW_EDGE_FAR) {
    ttSetWindow(WINDOW_EDGE_FAR - WINDOW_SPAN);
  } else if (top >= WINDOW_EDGE_MIDDLE && top < WINDOW_EDGE_FAR && ttWindowHigh != WINDOW_EDGE_MIDDLE) {
    ttSetWindow(WINDOW_EDGE_MIDDLE - WINDOW_SPAN);
  } else if (bottom <= -WINDOW_EDGE_FAR && ttWindowLow != -WINDOW_EDGE_FAR) {
    ttSetWindow(-WINDOW_EDGE_FAR);
  } else if (bottom > -WINDOW_EDGE_FAR && bottom <= -WINDOW_EDGE_MIDDLE && ttWindowLow != -WINDOW_EDGE_MIDDLE) {
    ttSetWindow(-WINDOW_EDGE_MIDDLE);
  } else if (top < WINDOW_EDGE_MIDDLE && bottom > -WINDOW_EDGE_MIDDLE && ttWindowHigh != WINDOW_EDGE_NEAR) {
    ttSetWindow(-WINDOW_EDGE_NEAR);
  }
}

void ttRecordRootScore(int score) {
  for (int i = 7; i > 0; --i) recentRootScores[i] = recentRootScores[i - 1];
  recentRootScores[0] = score;
}

bool ttRead(TTEntry& entry, std::uint64_t key, TTHit& hit) {
  const std::uint32_t word1 = lockEntry(entry);
  const std::uint32_t word0 = loadWord(entry.word0);
  unlockEntry(entry);
  if (!keyMatches(word1, key)) return false;
  hit.depth = entryDepth(word0);
  hit.fromTo = static_cast<int>(word0 >> TT_MOVE_SHIFT & 0xFFF);
  hit.score = static_cast<int>(word0 >> TT_SCORE_SHIFT & 0x7FF) - ttScoreBias;
  hit.bound = word0 & TT_EXACT;
  hit.flags = word1 & (TT_RESTRICTED | TT_TRUSTED);
  return true;
}

void ttScan(std::uint64_t key, TTScan& scan) {
  TTEntry* bucket = ttBucket(key);
  scan.count = 0;
  for (int i = 0; i < 4; ++i) {
    if (ttMatches(bucket[i], key) && ttRead(bucket[i], key, scan.hits[scan.count])) {
      scan.entries[scan.count++] = &bucket[i];
    }
  }
}

int ttFirstFromTo(std::uint64_t key) {
  TTScan scan;
  ttScan(key, scan);
  for (int i = 0; i < scan.count; ++i) {
    if (scan.hits[i].fromTo != 0) return scan.hits[i].fromTo;
  }
  return 0;
}

void ttRefreshAge(TTEntry& entry, std::uint64_t key) {
  const std::uint32_t word1 = lockEntry(entry);
  if (keyMatches(word1, key)) {
    AtomicWord(entry.word1).store((word1 & ~TT_AGE_MASK) | static_cast<std::uint32_t>(ttAge), std::memory_order_release);
  } else {
    unlockEntry(entry);
  }
}

TTEntry ttSnapshot(std::uint32_t index) {
  TTEntry& entry = ttTable[index];
  const std::uint32_t word1 = lockEntry(entry);
  const std::uint32_t word0 = loadWord(entry.word0);
  unlockEntry(entry);
  return {word0, word1 & ~TT_LOCK};
}

void ttRestore(std::uint32_t index, TTEntry entry) {
  TTEntry& target = ttTable[index];
  lockEntry(target);
  writeEntry(target, entry.word0, (entry.word1 & ~(TT_LOCK | TT_AGE_MASK)) | static_cast<std::uint32_t>(ttAge));
}

void ttStoreLower(std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(key, depth, fromTo, scoreField, TT_LOWER, 0, false);
}

void ttStoreLowerTrusted(std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(key, depth, fromTo, scoreField, TT_LOWER, TT_TRUSTED, false);
}

void ttStoreUpper(std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(key, depth, fromTo, scoreField, TT_UPPER, TT_TRUSTED, false);
}

void ttStoreUpperPlain(std::uint64_t key, int depth, int fromTo, int scoreField) {
  storeEntry(key, depth, fromTo, scoreField, TT_UPPER, 0, false);
}

void ttStoreLowerKeyed(std::uint64_t key, int depth, int fromTo, int scoreField, int restricted) {
  storeEntry(key, depth, fromTo, scoreField, TT_LOWER, restricted ? TT_RESTRICTED : 0, restricted != 0);
}

void ttStoreUpperKeyed(std::uint64_t key, int depth, int fromTo, int scoreField, int restricted) {
  storeEntry(key, depth, fromTo, scoreField, TT_UPPER, restricted ? TT_RESTRICTED : 0, restricted != 0);
}

void ttStoreExact(std::uint64_t key, int depth, int fromTo, int scoreField) {
  const int written = storeEntry(key, depth, fromTo, scoreField, TT_EXACT, TT_TRUSTED, false);
  if (written < 0) return;
  // Stale shallower copies of the same position further on in the bucket go.
  TTEntry* bucket = ttBucket(key);
  for (int i = written + 1; i < 4; ++i) {
    TTEntry& entry = bucket[i];
    if (!keyMatches(loadWord(entry.word1), key)) continue;
    const std::uint32_t word1 = lockEntry(entry);
    if (keyMatches(word1, key) && entryDepth(loadWord(entry.word0)) <= depth) {
      writeEntry(entry, 0, 0);
    } else {
      unlockEntry(entry);
    }
  }
}

void ttStoreExactClipped(std::uint64_t key, int depth, int fromTo, int score) {
  if (score > ttWindowHigh) {
    ttStoreLowerTrusted(key, depth, fromTo, ttStoreMax);
  } else if (score < ttWindowLow) {
    ttStoreUpper(key, depth, fromTo, ttStoreMin);
  } else {
    ttStoreExact(key, depth, fromTo, score + ttScoreBias);
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
