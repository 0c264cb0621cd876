// The decided-position search's table over the main table's memory.
#include "search/decided_tt.h"

#include <algorithm>
#include <atomic>

#include "search/tt.h"

namespace velt {

namespace {

using AtomicWord = std::atomic_ref<std::uint32_t>;
using ConstAtomicWord = std::atomic_ref<const std::uint32_t>;

constexpr int MAX_DEPTH_BYTE = 127;
// Word 3 bytes: move depth, lower depth, upper depth, move bits 16-18 and 22-23 plus the lock.
constexpr std::uint32_t MOVE_LOW_BITS = 0xFFFF;
constexpr std::uint32_t PROMOTION_BITS = 0x7;       // move bits 16-18 at byte 15 bits 0-2
constexpr std::uint32_t CASTLE_BITS = 0xC0;         // move bits 22-23 at byte 15 bits 6-7

std::uint32_t load(const std::uint32_t& word) { return ConstAtomicWord(word).load(std::memory_order_relaxed); }
void store(std::uint32_t& word, std::uint32_t value) { AtomicWord(word).store(value, std::memory_order_relaxed); }

std::uint32_t keyHigh(std::uint64_t key) { return static_cast<std::uint32_t>(key >> 32); }

// Spins until this thread holds the entry's lock; returns word 3 as it was.
std::uint32_t lockEntry(DecidedEntry& entry) {
  AtomicWord word3(entry.word[3]);
  for (;;) {
    const std::uint32_t previous = word3.fetch_or(DECIDED_LOCK, std::memory_order_acquire);
    if ((previous & DECIDED_LOCK) == 0) return previous;
    while (word3.load(std::memory_order_relaxed) & DECIDED_LOCK) {
    }
  }
}

// Writes word 3 and with it releases the lock.
void unlockWith(DecidedEntry& entry, std::uint32_t word3) {
  AtomicWord(entry.word[3]).store(word3 & ~DECIDED_LOCK, std::memory_order_release);
}

int byteOf(std::uint32_t word, int index) { return static_cast<int>(word >> (8 * index) & 0xFF); }
std::uint32_t withByte(std::uint32_t word, int index, int value) {
  const std::uint32_t shift = 8u * static_cast<std::uint32_t>(index);
  return (word & ~(0xFFu << shift)) | (static_cast<std::uint32_t>(value) & 0xFF) << shift;
}
int lowHalf(std::uint32_t word) { return static_cast<std::int16_t>(word & 0xFFFF); }
int highHalf(std::uint32_t word) { return static_cast<std::int16_t>(word >> 16); }
std::uint32_t halves(int low, int high) {
  return (static_cast<std::uint32_t>(low) & 0xFFFF) | (static_cast<std::uint32_t>(high) & 0xFFFF) << 16;
}

// Byte 15 of the entry for a move (the lock bit clear).
int moveHighByte(Move move) {
  return static_cast<int>(((move >> 16) & PROMOTION_BITS) | ((move >> 16) & CASTLE_BITS));
}

// The depth byte of a bound: mate bounds carry the mark.
int depthByte(int depth, bool mateBound) {
  return std::clamp(depth, 0, MAX_DEPTH_BYTE) | (mateBound ? DECIDED_MATE_DEPTH : 0);
}

// A fresh entry holding one bound; the other one is empty.
void writeFresh(const TranspositionTable& tt, DecidedEntry& entry, std::uint64_t key, bool lowerBound, int depth,
                Move move, int score) {
  const Move kept = lowerBound ? move : MOVE_NONE;
  store(entry.word[0], keyHigh(key));
  store(entry.word[1], halves(static_cast<int>(kept & MOVE_LOW_BITS), lowerBound ? score : -DECIDED_EMPTY_BOUND));
  store(entry.word[2], halves(lowerBound ? DECIDED_EMPTY_BOUND : score, 0) |
                           static_cast<std::uint32_t>(depth) << 16 | static_cast<std::uint32_t>(tt.decidedAge) << 24);
  std::uint32_t word3 = 0;
  word3 = withByte(word3, 0, kept != MOVE_NONE ? depth & MAX_DEPTH_BYTE : 0);
  word3 = withByte(word3, 1, lowerBound ? depth : 0);
  word3 = withByte(word3, 2, lowerBound ? 0 : depth);
  word3 = withByte(word3, 3, moveHighByte(kept));
  unlockWith(entry, word3);
}

void storeBound(TranspositionTable& tt, std::uint64_t key, bool lowerBound, int depth, Move move, int score, int ply) {
  const int stored = decidedScoreToTable(score, ply);
  const bool mate = lowerBound ? score > MATE_BOUND : score < -MATE_BOUND;
  const int newDepth = depthByte(depth, mate);
  DecidedEntry* bucket = decidedBucket(tt, key);
  const std::uint32_t high = keyHigh(key);
  int victim = 0, victimPriority = -1 << 30;
  for (int i = 0; i < 4; ++i) {
    DecidedEntry& entry = bucket[i];
    if (load(entry.word[0]) == high) {
      std::uint32_t word3 = lockEntry(entry);
      if (load(entry.word[0]) == high) {
        std::uint32_t word1 = load(entry.word[1]), word2 = load(entry.word[2]);
        word2 = withByte(word2, 3, tt.decidedAge);
        if (byteOf(word2, 2) < newDepth) word2 = withByte(word2, 2, newDepth);
        if (lowerBound) {
          if (byteOf(word3, 1) <= newDepth) {
            word1 = halves(lowHalf(word1), stored);
            word3 = withByte(word3, 1, newDepth);
          }
          if (move != MOVE_NONE && byteOf(word3, 0) <= newDepth) {
            word1 = halves(static_cast<int>(move & MOVE_LOW_BITS), highHalf(word1));
            word3 = withByte(withByte(word3, 0, newDepth & MAX_DEPTH_BYTE), 3, moveHighByte(move));
          }
        } else if (byteOf(word3, 2) <= newDepth) {
          word2 = halves(stored, highHalf(word2));
          word3 = withByte(word3, 2, newDepth);
        }
        store(entry.word[1], word1);
        store(entry.word[2], word2);
        unlockWith(entry, word3);
        return;
      }
      unlockWith(entry, word3);
    }
    const std::uint32_t word2 = load(entry.word[2]);
    const int priority = tt.decidedPriority[byteOf(word2, 3) % DECIDED_AGES] - (byteOf(word2, 2) & MAX_DEPTH_BYTE);
    if (priority > victimPriority) {
      victimPriority = priority;
      victim = i;
    }
  }
  lockEntry(bucket[victim]);
  writeFresh(tt, bucket[victim], key, lowerBound, newDepth, move, stored);
}

// The stored move rebuilt against the position: squares and promotion from the
// entry, capture, pawn and castling flags from the board.
Move rebuildMove(const Position& pos, std::uint32_t lowBits, int highByte) {
  if ((lowBits & 0xFFF) == 0) return MOVE_NONE;
  Move move = ttMoveToMove(pos, static_cast<int>(lowBits & 0xFFF));
  const Move promotion = static_cast<Move>(highByte) & PROMOTION_BITS;
  if ((move & FLAG_PROMOTION) && promotion != 0) move = (move & ~(Move{7} << 16)) | promotion << 16;
  return move;
}

}  // namespace

std::uint32_t decidedIndexMask(const TranspositionTable& tt) {
  // Every bucket of four lies wholly inside the block and starts on a multiple of four.
  return (tt.mask + 4) / 2 - 4;
}

DecidedEntry* decidedBucket(const TranspositionTable& tt, std::uint64_t key) {
  return reinterpret_cast<DecidedEntry*>(tt.entries) + (static_cast<std::uint32_t>(key) & decidedIndexMask(tt));
}

void decidedNewSearch(TranspositionTable& tt) {
  ttRegisterPrefetch(tt, decidedIndexMask(tt), sizeof(DecidedEntry));
  tt.decidedAge = (tt.decidedAge + 1) % DECIDED_AGES;
  for (int age = 0; age < DECIDED_AGES; ++age) {
    const int distance = tt.decidedAge + 1 - age;
    tt.decidedPriority[age] = 256 * (distance > 0 ? distance : tt.decidedAge + DECIDED_AGES + 1 - age);
  }
}

int decidedScoreToTable(int score, int ply) {
  if (score > MATE_BOUND) return score + ply;
  if (score < -MATE_BOUND) return score - ply;
  return score;
}

int decidedScoreFromTable(int score, int ply) {
  if (score > MATE_BOUND) return score - ply;
  if (score < -MATE_BOUND) return score + ply;
  return score;
}

void decidedStoreLower(TranspositionTable& tt, std::uint64_t key, int depth, Move move, int score, int ply) {
  storeBound(tt, key, true, depth, move, score, ply);
}

void decidedStoreUpper(TranspositionTable& tt, std::uint64_t key, int depth, int score, int ply) {
  storeBound(tt, key, false, depth, MOVE_NONE, score, ply);
}

void decidedProbe(const TranspositionTable& tt, const Position& pos, std::uint64_t key, DecidedHit& hit) {
  hit = DecidedHit{};
  DecidedEntry* bucket = decidedBucket(tt, key);
  const std::uint32_t high = keyHigh(key);
  for (int i = 0; i < 4; ++i) {
    DecidedEntry& entry = bucket[i];
    if (load(entry.word[0]) != high) continue;
    const std::uint32_t word3 = lockEntry(entry);
    if (load(entry.word[0]) != high) {
      unlockWith(entry, word3);
      continue;
    }
    const std::uint32_t word1 = load(entry.word[1]);
    const std::uint32_t word2 = withByte(load(entry.word[2]), 3, tt.decidedAge);
    store(entry.word[2], word2);
    unlockWith(entry, word3);
    hit.found = true;
    hit.move = rebuildMove(pos, word1 & MOVE_LOW_BITS, byteOf(word3, 3));
    hit.lower = decidedScoreFromTable(highHalf(word1), pos.ply);
    hit.upper = decidedScoreFromTable(lowHalf(word2), pos.ply);
    hit.lowerDepth = byteOf(word3, 1);
    hit.upperDepth = byteOf(word3, 2);
    hit.maxDepth = byteOf(word2, 2) & MAX_DEPTH_BYTE;
    return;
  }
}

Move decidedEntryMove(const DecidedEntry& entry) {
  const std::uint32_t word3 = load(entry.word[3]);
  return (load(entry.word[1]) & MOVE_LOW_BITS) | (static_cast<Move>(byteOf(word3, 3)) & PROMOTION_BITS) << 16 |
         (static_cast<Move>(byteOf(word3, 3)) & CASTLE_BITS) << 16;
}

bool decidedEntryLocked(const DecidedEntry& entry) { return (load(entry.word[3]) & DECIDED_LOCK) != 0; }

}  // namespace velt
