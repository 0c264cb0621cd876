// Tablebase files: registration from a directory list, the shared cache of 8 KiB
// blocks through which every read goes, the probe of a position and the conversion of
// a stored value into an engine score. Probes are safe from any number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "board/position.h"
#include "egtb/tb_compressed.h"
#include "egtb/tb_fault.h"
#include "egtb/tb_index.h"

namespace velt {

// Stored entry bytes: wins 1..126 (126 = mate in 1), draws 0, losses -1..-126 (-126 =
// mated now); 127 marks a number that holds no position.
constexpr int TB_BYTE_UNKNOWN = 127;
constexpr int TB_BYTE_MATED = -126;
constexpr int TB_MAX_DISTANCE = 126;
// Tablebase values: 32767 - n is a win in n moves, 0 a draw, negative a loss.
constexpr int TB_VALUE_UNKNOWN = 32767;
constexpr int TB_VALUE_BASE = 32640;

constexpr int TB_BLOCK_ENTRIES = 8192;
constexpr std::size_t TB_CACHE_ENTRY_BYTES = 8260;  // header and data of one cached block

constexpr int TB_NO_ENTRY = -1;           // end of a cache list
constexpr int TB_BUCKETS_PER_FILE = 32;  // chains of one file's cached blocks

// A spin lock for the cache's short critical sections.
class TablebaseLock {
 public:
  void lock() {
    while (locked_.exchange(true, std::memory_order_acquire)) {
    }
  }
  void unlock() { locked_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> locked_{false};
};

struct TablebaseBucket {
  TablebaseLock lock;
  int head = TB_NO_ENTRY;
};

// One side's file of a class, plain or compressed (then with its descriptor). The
// name, buckets and descriptor are set at registration; a probe opens the handle on
// demand and drops the file when it cannot be read.
struct TablebaseFile {
  std::string name;
  mutable std::atomic<bool> registered{false};
  mutable TablebaseLock fileLock;
  mutable std::FILE* handle = nullptr;  // under fileLock
  std::unique_ptr<TablebaseBucket[]> buckets;
  std::unique_ptr<CompressedFile> compressed;

  TablebaseFile() = default;
  TablebaseFile(const TablebaseFile&) = delete;
  TablebaseFile& operator=(const TablebaseFile&) = delete;
  ~TablebaseFile();
};

// The header of a cache entry: 32 bytes, laid out before the data parts.
struct TablebaseCacheHeader {
  std::int32_t classNumber, side, block;
  std::int32_t mruPrev, mruNext, bucketPrev, bucketNext;
  std::int32_t padding;  // to 32 bytes
};
static_assert(sizeof(TablebaseCacheHeader) == 32);

// The block cache laid out in memory its owner provides; the lists are under `lock`.
struct TablebaseBlockCache {
  TablebaseLock lock;
  TablebaseCacheHeader* headers = nullptr;
  unsigned char* data = nullptr;
  int entryCount = 0;
  int mruHead = TB_NO_ENTRY, mruTail = TB_NO_ENTRY, freeHead = TB_NO_ENTRY;
};

// The registered tablebase files with their block cache, decode work areas and fault
// hook. Registration and the cache's layout change only between searches; probes,
// which may run from many threads at once, take it as const and change only the
// cache and the file handles, under their locks.
struct Tablebases {
  TablebaseFile files[TB_CLASS_COUNT][2];
  mutable TablebaseBlockCache cache;
  mutable DecodeBlockPool decodePool;
  TablebaseFaultHook faultHook;  // where the faults of files go
  // The largest number of men the registered files cover: -1 before they were looked
  // for, 0 when there are none. Kept by the owner.
  int largest = -1;
};

// Registers the files found in the directories of pathList (separated as splitPathList
// says; the first directory holding a class's file wins). Returns 5, 4 or 3 by the
// largest class found, else 0. A damaged file is left out and told to the fault hook.
int initTablebases(Tablebases& tablebases, const char* pathList);
// Where the faults of files go; set between searches.
void setTablebaseFaultHook(Tablebases& tablebases, const TablebaseFaultHook& hook);
// Lays the block cache out in `area` (closing all open files first); fewer bytes than
// one entry leave the cache disabled and every probe unanswered. The area must
// outlive its use by `tablebases`.
void initTablebaseCache(Tablebases& tablebases, unsigned char* area, std::size_t bytes);
// Whether the file of (class, side) is registered (a symmetric class uses side 0).
bool tablebaseRegistered(const Tablebases& tablebases, int classNumber, int side);

// Where a position lives in the tablebases; false when no class fits.
bool tablebaseEntryOf(const Position& pos, TablebaseEntry& entry);
// 1 and the score of the position from the side to move's view, or 0 when it is not
// available.
int probeTablebase(const Tablebases& tablebases, const Position& pos, int& score);
// The value of an entry, or TB_VALUE_UNKNOWN.
int readTablebaseValue(const Tablebases& tablebases, int classNumber, int side, std::uint32_t index);
// The value of a stored byte.
int tablebaseByteValue(int storedByte);
// The engine score of a tablebase value found at `ply` (a win in 1 at ply 5 is 29993).
int tablebaseScore(int value, int ply);

}  // namespace velt
