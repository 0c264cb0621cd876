// Registration, block cache and probing of the tablebase files.
//
// Locks: every file has 32 bucket locks (chains of its cached blocks) and one lock
// for its handle and reads; the cache has one lock for the most-recently-used list
// and the free list. A bucket lock may be held while the cache lock is taken; the
// file lock is taken with no bucket lock held; nobody waits for a bucket lock while
// holding the cache lock.
#include "egtb/tb_probe.h"

#include <atomic>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "egtb/tb_compressed.h"
#include "egtb/tb_index.h"
#include "platform/paths.h"

namespace velt {

namespace {

constexpr int TB_LOSS_FLOOR = -127;  // "lost, distance unknown"
constexpr int TB_WIN_FLOOR = -128;   // "won, distance unknown"
constexpr int WIN_SCORE_BASE = 35534, LOSS_SCORE_BASE = 35532;

constexpr std::size_t CACHE_DATA_BYTES = TB_CACHE_ENTRY_BYTES - sizeof(TablebaseCacheHeader);
static_assert(CACHE_DATA_BYTES >= TB_BLOCK_ENTRIES);

void reportFault(const Tablebases& tablebases, TablebaseFault fault, const std::string& fileName,
                 const std::string& detail = "") {
  const TablebaseFaultHook& hook = tablebases.faultHook;
  if (hook.report) hook.report(hook.context, fault, fileName, detail);
}

const TablebaseFile& tablebaseFile(const Tablebases& tablebases, int classNumber, int side) {
  return tablebases.files[classNumber][tablebaseClass(classNumber).flags & TB_SYMMETRIC ? 0 : side];
}

unsigned char* entryData(const TablebaseBlockCache& cache, int entry) {
  return cache.data + static_cast<std::size_t>(entry) * CACHE_DATA_BYTES;
}

// --- list handling (callers hold the locks named) ---

void mruUnlink(TablebaseBlockCache& cache, int e) {  // cache lock
  TablebaseCacheHeader& h = cache.headers[e];
  (h.mruPrev == TB_NO_ENTRY ? cache.mruHead : cache.headers[h.mruPrev].mruNext) = h.mruNext;
  (h.mruNext == TB_NO_ENTRY ? cache.mruTail : cache.headers[h.mruNext].mruPrev) = h.mruPrev;
}
void mruPushFront(TablebaseBlockCache& cache, int e) {  // cache lock
  TablebaseCacheHeader& h = cache.headers[e];
  h.mruPrev = TB_NO_ENTRY;
  h.mruNext = cache.mruHead;
  (cache.mruHead == TB_NO_ENTRY ? cache.mruTail : cache.headers[cache.mruHead].mruPrev) = e;
  cache.mruHead = e;
}
void bucketUnlink(TablebaseBlockCache& cache, TablebaseBucket& bucket, int e) {  // bucket lock
  TablebaseCacheHeader& h = cache.headers[e];
  (h.bucketPrev == TB_NO_ENTRY ? bucket.head : cache.headers[h.bucketPrev].bucketNext) = h.bucketNext;
  if (h.bucketNext != TB_NO_ENTRY) cache.headers[h.bucketNext].bucketPrev = h.bucketPrev;
}
void bucketPushFront(TablebaseBlockCache& cache, TablebaseBucket& bucket, int e) {  // bucket lock
  TablebaseCacheHeader& h = cache.headers[e];
  h.bucketPrev = TB_NO_ENTRY;
  h.bucketNext = bucket.head;
  if (bucket.head != TB_NO_ENTRY) cache.headers[bucket.head].bucketPrev = e;
  bucket.head = e;
}
void freePush(TablebaseBlockCache& cache, int e) {  // cache lock
  cache.headers[e].mruNext = cache.freeHead;
  cache.freeHead = e;
}

// Takes an entry for a new block: a free one, else the least recently used one,
// unlinked from its file's bucket under that bucket's lock. TB_NO_ENTRY without cache.
int takeEntry(const Tablebases& tablebases) {
  TablebaseBlockCache& cache = tablebases.cache;
  for (;;) {
    cache.lock.lock();
    if (cache.freeHead != TB_NO_ENTRY) {
      const int e = cache.freeHead;
      cache.freeHead = cache.headers[e].mruNext;
      cache.lock.unlock();
      return e;
    }
    const int tail = cache.mruTail;
    if (tail == TB_NO_ENTRY) {
      const bool none = cache.entryCount == 0;
      cache.lock.unlock();
      if (none) return TB_NO_ENTRY;
      std::this_thread::yield();  // every entry is being filled by another thread
      continue;
    }
    // Only the block's identity: its bucket links belong to its bucket's lock.
    const TablebaseCacheHeader& header = cache.headers[tail];
    const TablebaseCacheHeader seen{header.classNumber, header.side, header.block, 0, 0, 0, 0, 0};
    cache.lock.unlock();
    TablebaseBucket& bucket =
        tablebaseFile(tablebases, seen.classNumber, seen.side).buckets[seen.block & (TB_BUCKETS_PER_FILE - 1)];
    bucket.lock.lock();
    cache.lock.lock();
    const TablebaseCacheHeader& now = cache.headers[tail];
    const bool same = cache.mruTail == tail && now.classNumber == seen.classNumber && now.side == seen.side &&
                      now.block == seen.block;
    if (same) {
      mruUnlink(cache, tail);
      bucketUnlink(cache, bucket, tail);
    }
    cache.lock.unlock();
    bucket.lock.unlock();
    if (same) return tail;
  }
}

void giveBack(TablebaseBlockCache& cache, int e) {
  cache.lock.lock();
  freePush(cache, e);
  cache.lock.unlock();
}

void closeFile(const TablebaseFile& file) {
  file.fileLock.lock();
  if (file.handle) std::fclose(file.handle);
  file.handle = nullptr;
  file.fileLock.unlock();
}

// Closes every open handle; a probe opens a file again when it needs it.
void closeFiles(const Tablebases& tablebases) {
  for (const auto& sides : tablebases.files)
    for (const TablebaseFile& file : sides) closeFile(file);
}

// Reads block `block` of a plain file into `out`, or of a compressed one into a
// decode work area, decoding it after the file lock is released so that other
// threads can read the file meanwhile. False on failure: the file is then dropped
// for the rest of the run, and said so once, as a damaged file is at registration.
bool readBlock(const Tablebases& tablebases, const TablebaseFile& file, int block, unsigned char* out) {
  DecodeBlock* work = file.compressed ? takeDecodeBlock(tablebases.decodePool) : nullptr;
  file.fileLock.lock();
  if (!file.handle) file.handle = std::fopen(file.name.c_str(), "rb");
  if (!file.handle) {
    // Perhaps out of handles: release them all and try once more.
    file.fileLock.unlock();
    closeFiles(tablebases);
    file.fileLock.lock();
    file.handle = std::fopen(file.name.c_str(), "rb");
  }
  bool ok = file.handle != nullptr;
  if (work) {
    const CompressedFile& descriptor = *file.compressed;
    const auto number = static_cast<std::uint32_t>(block);
    ok = ok && readCompressedBlock(*work, descriptor, file.handle, number, out) == 0;
    file.fileLock.unlock();
    ok = ok && decodeBlock(*work, descriptor, out + compressedBlockLength(descriptor, number)) == 0;
    returnDecodeBlock(tablebases.decodePool, work);
  } else {
    if (ok) {
      const long offset = static_cast<long>(block) * TB_BLOCK_ENTRIES;
      ok = std::fseek(file.handle, offset, SEEK_SET) == 0;
      if (ok) {
        const std::size_t got = std::fread(out, 1, TB_BLOCK_ENTRIES, file.handle);
        // A short read is the end of the file, not an error.
        ok = got > 0 && (got == TB_BLOCK_ENTRIES || (std::feof(file.handle) && !std::ferror(file.handle)));
      }
    }
    file.fileLock.unlock();
  }
  if (!ok && file.registered.exchange(false, std::memory_order_relaxed)) {
    reportFault(tablebases, TablebaseFault::UNREADABLE, file.name, "file broken");
  }
  return ok;
}

// The stored byte at (block, offset) of the file of (class, side), or TB_BYTE_UNKNOWN.
int readCachedByte(const Tablebases& tablebases, int classNumber, int side, int block, int offset) {
  TablebaseBlockCache& cache = tablebases.cache;
  const TablebaseFile& file = tablebaseFile(tablebases, classNumber, side);
  TablebaseBucket& bucket = file.buckets[block & (TB_BUCKETS_PER_FILE - 1)];
  bucket.lock.lock();
  for (int e = bucket.head; e != TB_NO_ENTRY; e = cache.headers[e].bucketNext) {
    if (cache.headers[e].block != block) continue;
    cache.lock.lock();
    mruUnlink(cache, e);
    mruPushFront(cache, e);
    cache.lock.unlock();
    bucketUnlink(cache, bucket, e);
    bucketPushFront(cache, bucket, e);
    const int stored = static_cast<signed char>(entryData(cache, e)[offset]);
    bucket.lock.unlock();
    return stored;
  }
  bucket.lock.unlock();

  const int e = takeEntry(tablebases);
  if (e == TB_NO_ENTRY) return TB_BYTE_UNKNOWN;
  TablebaseCacheHeader& header = cache.headers[e];
  header.classNumber = classNumber;
  header.side = side;
  header.block = block;
  unsigned char* data = entryData(cache, e);
  if (!readBlock(tablebases, file, block, data)) {
    giveBack(cache, e);
    return TB_BYTE_UNKNOWN;
  }
  bucket.lock.lock();
  cache.lock.lock();
  mruPushFront(cache, e);
  cache.lock.unlock();
  bucketPushFront(cache, bucket, e);
  const int stored = static_cast<signed char>(data[offset]);
  bucket.lock.unlock();
  return stored;
}

// Checks the plain file of `name` (true when it exists and has the class's length).
// A damaged file is reported and left out; the others still register.
bool checkPlainFile(const Tablebases& tablebases, const std::string& name, std::uint64_t positionCount, bool& exists) {
  std::FILE* handle = std::fopen(name.c_str(), "rb");
  exists = handle != nullptr;
  if (!handle) return false;
  const bool seekOk = std::fseek(handle, 0, SEEK_END) == 0;
  const long length = seekOk ? std::ftell(handle) : -1;
  std::fclose(handle);
  if (!seekOk || length < 0) {
    reportFault(tablebases, TablebaseFault::SEEK_FAILED, name);
    return false;
  }
  if (positionCount != 0 && static_cast<std::uint64_t>(length) != positionCount) {
    reportFault(tablebases, TablebaseFault::CORRUPTED, name);
    return false;
  }
  return true;
}

// Registers one file: the plain one when it exists, else its first compressed form.
bool registerFile(Tablebases& tablebases, const std::string& directory, int classNumber, int side) {
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  std::string name = directory;
  if (!name.empty() && name.back() != '/') name += '/';
  name += info.name;
  name += side == 0 ? ".nbw" : ".nbb";
  TablebaseFile& file = tablebases.files[classNumber][side];
  bool exists;
  if (!checkPlainFile(tablebases, name, info.positionCount[side], exists)) {
    if (exists) return false;
    std::string compressedName, detail;
    TablebaseFault fault = TablebaseFault::CORRUPTED;
    switch (registerCompressedFile(name, info.positionCount[side], compressedName, file.compressed, fault, detail)) {
      case CompressedRegistration::ABSENT: return false;
      case CompressedRegistration::DAMAGED: reportFault(tablebases, fault, compressedName, detail); return false;
      case CompressedRegistration::REGISTERED: break;
    }
    name = compressedName;
  }
  file.name = name;
  file.buckets = std::make_unique<TablebaseBucket[]>(TB_BUCKETS_PER_FILE);
  file.registered.store(true, std::memory_order_relaxed);
  return true;
}

// Number of men of a class, kings included.
int classMen(int classNumber) {
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  return 2 + info.menCount[0] + info.menCount[1];
}

}  // namespace

TablebaseFile::~TablebaseFile() {
  if (handle) std::fclose(handle);
}

void setTablebaseFaultHook(Tablebases& tablebases, const TablebaseFaultHook& hook) { tablebases.faultHook = hook; }

int initTablebases(Tablebases& tablebases, const char* pathList) {
  initTablebaseIndex();
  closeFiles(tablebases);
  tablebases.cache.lock.lock();
  const bool hadCache = tablebases.cache.entryCount > 0;
  tablebases.cache.lock.unlock();
  for (auto& sides : tablebases.files) {
    for (TablebaseFile& file : sides) {
      file.registered.store(false, std::memory_order_relaxed);
      file.name.clear();
      file.buckets.reset();
      file.compressed.reset();
    }
  }
  // Cached blocks belong to the files of the previous registration.
  if (hadCache) initTablebaseCache(tablebases, nullptr, 0);
  int largest = 0;
  for (const std::string& directory : splitPathList(pathList)) {
    for (int c = 1; c < TB_CLASS_COUNT; ++c) {
      const bool symmetric = tablebaseClass(c).flags & TB_SYMMETRIC;
      for (int side = 0; side < (symmetric ? 1 : 2); ++side) {
        if (tablebases.files[c][side].registered.load(std::memory_order_relaxed)) continue;
        if (registerFile(tablebases, directory, c, side)) largest = std::max(largest, classMen(c));
      }
    }
  }
  return largest;
}

void initTablebaseCache(Tablebases& tablebases, unsigned char* area, std::size_t bytes) {
  closeFiles(tablebases);
  TablebaseBlockCache& cache = tablebases.cache;
  cache.entryCount = area && bytes >= TB_CACHE_ENTRY_BYTES ? static_cast<int>(bytes / TB_CACHE_ENTRY_BYTES) : 0;
  cache.headers = reinterpret_cast<TablebaseCacheHeader*>(area);
  cache.data = area ? area + static_cast<std::size_t>(cache.entryCount) * sizeof(TablebaseCacheHeader) : nullptr;
  cache.mruHead = cache.mruTail = cache.freeHead = TB_NO_ENTRY;
  for (int e = cache.entryCount - 1; e >= 0; --e) {
    cache.headers[e] = TablebaseCacheHeader{-1, -1, -1, TB_NO_ENTRY, TB_NO_ENTRY, TB_NO_ENTRY, TB_NO_ENTRY, 0};
    freePush(cache, e);
  }
  for (auto& sides : tablebases.files)
    for (TablebaseFile& file : sides)
      if (file.buckets)
        for (int b = 0; b < TB_BUCKETS_PER_FILE; ++b) file.buckets[b].head = TB_NO_ENTRY;
}

bool tablebaseRegistered(const Tablebases& tablebases, int classNumber, int side) {
  return tablebaseFile(tablebases, classNumber, side).registered.load(std::memory_order_relaxed);
}

int tablebaseByteValue(int stored) {
  if (stored == 0) return 0;
  if (stored == TB_BYTE_UNKNOWN) return TB_VALUE_UNKNOWN;
  if (stored == TB_LOSS_FLOOR) return -TB_VALUE_BASE;
  if (stored == TB_WIN_FLOOR) return TB_VALUE_BASE;
  return stored > 0 ? TB_VALUE_BASE + stored : stored - TB_VALUE_BASE;
}

int readTablebaseValue(const Tablebases& tablebases, int classNumber, int side, std::uint32_t index) {
  if (tablebases.cache.entryCount == 0 || !tablebaseRegistered(tablebases, classNumber, side)) return TB_VALUE_UNKNOWN;
  const int stored = readCachedByte(tablebases, classNumber, side, static_cast<int>(index / TB_BLOCK_ENTRIES),
                                    static_cast<int>(index % TB_BLOCK_ENTRIES));
  return tablebaseByteValue(stored);
}

int tablebaseScore(int value, int ply) {
  if (value > 0) return 2 * value - WIN_SCORE_BASE - ply;
  if (value < 0) return 2 * value + LOSS_SCORE_BASE + ply;
  return 0;
}

bool tablebaseEntryOf(const Position& pos, TablebaseEntry& entry) {
  TablebasePieceLists lists;
  for (int colour = 0; colour < 2; ++colour) {
    for (int type = PAWN; type <= QUEEN; ++type) {
      Bitboard men = pos.pieceBB[colour][type];
      if (std::popcount(men) > 3) return false;
      int* slots = &lists.square[colour][3 * type];
      for (int i = 0; i < 3; ++i) {
        slots[i] = men ? std::countr_zero(men) : NO_SQUARE;
        men &= men - 1;
      }
    }
    lists.square[colour][TB_KING_SLOT] = pos.kingSquare[colour];
  }
  return locateTablebaseEntry(lists, pos.side, pos.epSquare < 0 ? TB_NO_EP : pos.epSquare, entry);
}

int probeTablebase(const Tablebases& tablebases, const Position& pos, int& score) {
  TablebaseEntry entry;
  if (!tablebaseEntryOf(pos, entry) || !tablebaseRegistered(tablebases, entry.classNumber, entry.side)) return 0;
  const int value = readTablebaseValue(tablebases, entry.classNumber, entry.side, entry.index);
  if (value == TB_VALUE_UNKNOWN) return 0;
  score = tablebaseScore(value, pos.ply);
  return 1;
}

}  // namespace velt
