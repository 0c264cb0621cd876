// Book file access and the weighted choice among book moves.
#include "book/book.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "board/movegen.h"
#include "eval/move_step.h"

namespace velt {

namespace {

constexpr int MAX_CANDIDATES = 32;
constexpr int MIN_CANDIDATE_GAMES = 5;  // in tables 0 and 1, unless flagged
constexpr int RATIO_SCALE = 1000;
constexpr int RESULT_WEIGHT = 120;
constexpr int LEARNED_WEIGHT = 400;
constexpr int FREQUENCY_WEIGHT = 360;
constexpr int PRIORITY_WEIGHT = 120;
constexpr int PRIORITY_RANGE = 75;
constexpr int NO_PRIORITY = -128;
constexpr int PRIORITY_FLOOR = -53;
constexpr int FULL_CONFIDENCE = 20;  // games or updates below this scale a term down
constexpr int LOSS_DIVISOR = 1200;
constexpr int DAMPING_SHIFT = 3;
constexpr int RANDOM_RANGE = 32767;  // the draw uses 15 random bits, whatever RAND_MAX is

std::uint32_t readU32(const unsigned char* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t readU16(const unsigned char* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }

void writeU16(unsigned char* bytes, std::uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}

bool readAt(BookState& book, long offset, void* buffer, std::size_t bytes) {
  return std::fseek(book.file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, bytes, book.file) == bytes;
}

void writeAt(BookState& book, long offset, const void* buffer, std::size_t bytes) {
  if (!book.writable) return;
  if (std::fseek(book.file, offset, SEEK_SET) == 0) std::fwrite(buffer, 1, bytes, book.file);
  std::fflush(book.file);
}

// Reads one table's index at `start` and checks every bucket it names against the
// file. Sets `end` to the end of its last bucket. False when the table is damaged.
bool loadTable(BookState& book, BookTable& table, long start, long& end) {
  // The index is read into its own place and turned into host order there.
  static_assert(sizeof table.index == BOOK_INDEX_BYTES);
  if (!readAt(book, start, table.index, sizeof table.index)) return false;
  table.start = start;
  end = start + BOOK_INDEX_BYTES;
  for (int b = 0; b < BOOK_BUCKETS; ++b) {
    unsigned char bytes[4];
    std::memcpy(bytes, &table.index[b], sizeof bytes);
    const std::uint32_t entry = readU32(bytes);
    table.index[b] = entry;
    if (entry == BOOK_EMPTY_BUCKET) continue;
    const long offset = start + static_cast<long>(entry);
    unsigned char countBytes[BOOK_COUNT_BYTES];
    if (entry < BOOK_INDEX_BYTES || offset + BOOK_COUNT_BYTES > book.fileSize || !readAt(book, offset, countBytes, 4)) {
      return false;
    }
    const long bucketEnd = offset + BOOK_COUNT_BYTES + static_cast<long>(readU32(countBytes)) * BOOK_RECORD_BYTES;
    if (bucketEnd > book.fileSize) return false;
    end = std::max(end, bucketEnd);
  }
  return true;
}

BookOpening damagedBook(BookState& book) {
  closeBook(book);
  return BookOpening::DAMAGED;
}

struct Candidate {
  Move move;
  BookRecord record;
  long offset;
  int ratio;
  int learnedRatio;
  int priority;  // effective priority
  int weight;
};

int learnedRatioOf(const BookRecord& r) {
  if (r.learnCount == 0) return 0;
  return std::clamp<int>(r.learned, -r.learnCount, r.learnCount) * RATIO_SCALE / r.learnCount;
}

// Step 1 of the probe: every legal move whose position the table holds and which
// qualifies as a candidate there.
int collectCandidates(BookState& book, int table, EvalPosition& pos, Candidate* candidates) {
  pos.ply = 0;
  prepareRoot(pos);
  int count = 0;
  const int end = pos.listStart[1];
  for (int i = pos.listStart[0]; i < end && count < MAX_CANDIDATES; ++i) {
    const Move move = pos.moveList[i].move;
    if (!makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) continue;
    BookRecord record;
    long offset = 0;
    const bool found = findBookRecord(book, table, pos.hashKey, record, offset);
    unmakeMove(pos);
    if (!found) continue;
    if (table < 2 && record.games < MIN_CANDIDATE_GAMES && !(record.flags & BOOK_FLAG_PRIORITY)) continue;
    candidates[count++] = Candidate{move, record, offset, 0, 0, 0, 0};
  }
  return count;
}

// Steps 2 and 3: the weight of each candidate from its record and the others'.
void weighCandidates(BookState& book, Candidate* candidates, int count) {
  int maxGames = 0, minRatio = RATIO_SCALE, maxRatio = -RATIO_SCALE;
  int sumLearned = 0, countLearned = 0, maxPriority = PRIORITY_FLOOR;
  for (int i = 0; i < count; ++i) {
    Candidate& c = candidates[i];
    const BookRecord& r = c.record;
    // A record with no games (hand-made, or damaged) counts as an even result.
    c.ratio = r.games > 0 ? r.score * RATIO_SCALE / r.games : 0;
    c.learnedRatio = learnedRatioOf(r);
    c.priority = (r.flags & BOOK_FLAG_PRIORITY) ? r.priority : NO_PRIORITY;
    maxGames = std::max<int>(maxGames, r.games);
    minRatio = std::min(minRatio, c.ratio);
    maxRatio = std::max(maxRatio, c.ratio);
    if (c.learnedRatio > 0) {
      sumLearned += c.learnedRatio;
      ++countLearned;
    }
    if (r.flags & BOOK_FLAG_PRIORITY) maxPriority = std::max(maxPriority, c.priority);
  }
  for (int i = 0; i < count; ++i) {
    Candidate& c = candidates[i];
    BookRecord& r = c.record;
    if (r.skip > 0) {
      --r.skip;
      writeAt(book, c.offset + BOOK_SKIP_OFFSET, &r.skip, 1);
      c.weight = 0;
      continue;
    }
    if (r.flags & BOOK_FLAG_NEVER_PLAY) {
      c.weight = 0;
      continue;
    }
    int a = static_cast<int>((c.ratio - minRatio) * static_cast<double>(RESULT_WEIGHT) / (maxRatio - minRatio + 4));
    if (r.games < FULL_CONFIDENCE) a = a * r.games / FULL_CONFIDENCE;
    int b = 0;
    if (c.learnedRatio > 0) {
      b = countLearned > 1 ? c.learnedRatio * LEARNED_WEIGHT / sumLearned
                           : static_cast<int>(c.learnedRatio * LEARNED_WEIGHT * 0.001);
      if (r.learnCount < FULL_CONFIDENCE) b = b * r.learnCount / FULL_CONFIDENCE;
    }
    const double frequency = maxGames > 0 ? r.games * static_cast<double>(FREQUENCY_WEIGHT) / maxGames : 0.0;
    const int distance = std::min(maxPriority - c.priority, PRIORITY_RANGE);
    const double preference = (PRIORITY_RANGE - distance) * PRIORITY_WEIGHT * (1.0 / PRIORITY_RANGE);
    int weight = static_cast<int>(frequency + preference + a + b);
    if (c.learnedRatio < 0) {
      int t = weight * c.learnedRatio / LOSS_DIVISOR;
      if (r.learnCount < FULL_CONFIDENCE) t = t * r.learnCount / FULL_CONFIDENCE;
      weight += t;
    }
    c.weight = std::max(weight, 0);
  }
}

void sortCandidates(Candidate* candidates, int count) {
  for (int i = 0; i < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      if (candidates[j].weight > candidates[i].weight) std::swap(candidates[i], candidates[j]);
    }
  }
}

// Step 5: rarely played side lines that did not score well lose most of their weight.
void dampSideLines(Candidate* candidates, int count, int sideToMove) {
  const int top = candidates[0].record.games;
  for (int i = 1; i < count; ++i) {
    const BookRecord& r = candidates[i].record;
    const int v = sideToMove == WHITE ? r.score : r.games * 5 / 100 + r.score;
    const int rare = v > 0 ? top / 16 : top / 8;
    if (r.games < rare && (v <= 0 || r.games < FULL_CONFIDENCE || r.learned <= 0)) {
      candidates[i].weight >>= DAMPING_SHIFT;
    }
  }
}

// Step 7: a candidate drawn in proportion to the weights.
Move drawCandidate(const Candidate* candidates, int count) {
  long long sum = 0;
  for (int i = 0; i < count; ++i) sum += candidates[i].weight;
  long long x = static_cast<long long>(std::rand() & RANDOM_RANGE) * sum / RANDOM_RANGE;
  Move chosen = MOVE_NONE;
  for (int i = 0; i < count; ++i) {
    if (candidates[i].weight <= 0) continue;
    chosen = candidates[i].move;
    x -= candidates[i].weight;
    if (x < 0) break;
  }
  return chosen;
}

}  // namespace

void writeU32(unsigned char* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

void encodeBookRecord(const BookRecord& record, unsigned char* bytes) {
  writeU32(bytes, record.key);
  writeU16(bytes + 4, record.games);
  writeU16(bytes + 6, record.learnCount);
  writeU16(bytes + 8, static_cast<std::uint16_t>(record.score));
  writeU16(bytes + 10, static_cast<std::uint16_t>(record.priority));
  writeU16(bytes + 12, static_cast<std::uint16_t>(record.learned));
  bytes[14] = record.skip;
  bytes[15] = record.flags;
}

BookRecord decodeBookRecord(const unsigned char* bytes) {
  BookRecord record;
  record.key = readU32(bytes);
  record.games = readU16(bytes + 4);
  record.learnCount = readU16(bytes + 6);
  record.score = static_cast<std::int16_t>(readU16(bytes + 8));
  record.priority = static_cast<std::int16_t>(readU16(bytes + 10));
  record.learned = static_cast<std::int16_t>(readU16(bytes + 12));
  record.skip = bytes[14];
  record.flags = bytes[15];
  return record;
}

std::uint32_t bookKeyOf(std::uint64_t hashKey) { return static_cast<std::uint32_t>(hashKey >> 32); }

int bookBucketOf(std::uint64_t hashKey) { return static_cast<int>(static_cast<std::uint32_t>(hashKey) & BOOK_BUCKET_MASK); }

BookOpening openBook(BookState& book, const char* path) {
  if (book.file) return BookOpening::OPEN;
  book.file = std::fopen(path, "r+b");
  book.writable = book.file != nullptr;
  if (!book.file) book.file = std::fopen(path, "rb");
  if (!book.file) return BookOpening::ABSENT;
  if (std::fseek(book.file, 0, SEEK_END) != 0 || (book.fileSize = std::ftell(book.file)) < 0) return damagedBook(book);
  long start = 0;
  for (int t = 0; t < BOOK_MAX_TABLES; ++t) {
    // Table 0 must be there; a later one only when the file goes on past its index.
    if (t > 0 && book.fileSize <= start + BOOK_INDEX_BYTES) break;
    BookTable* table = new (std::nothrow) BookTable;
    if (!table) {
      closeBook(book);
      return BookOpening::OUT_OF_MEMORY;
    }
    book.tables[t] = table;
    book.tableCount = t + 1;
    if (!loadTable(book, *table, start, start)) return damagedBook(book);
  }
  return BookOpening::OPEN;
}

void closeBook(BookState& book) {
  for (BookTable*& table : book.tables) {
    delete table;
    table = nullptr;
  }
  book.tableCount = 0;
  if (book.file) std::fclose(book.file);
  book.file = nullptr;
  book.writable = false;
}

BookState::~BookState() { closeBook(*this); }

bool bookIsOpen(const BookState& book) { return book.file != nullptr; }

bool bookTableLoaded(const BookState& book, int table) { return book.file && table >= 0 && table < book.tableCount; }

bool findBookRecord(BookState& book, int table, std::uint64_t hashKey, BookRecord& record, long& fileOffset) {
  if (!bookTableLoaded(book, table)) return false;
  const BookTable& t = *book.tables[table];
  const std::uint32_t entry = t.index[bookBucketOf(hashKey)];
  if (entry == BOOK_EMPTY_BUCKET) return false;
  const long offset = t.start + static_cast<long>(entry);
  unsigned char countBytes[BOOK_COUNT_BYTES];
  if (!readAt(book, offset, countBytes, sizeof countBytes)) return false;
  const long stored = readU32(countBytes);
  const int count = static_cast<int>(std::min<long>(stored, BOOK_BUCKET_READ_LIMIT));
  // The bucket was checked at opening; the file may still have been cut since.
  if (offset + BOOK_COUNT_BYTES + count * static_cast<long>(BOOK_RECORD_BYTES) > book.fileSize) return false;
  // The bucket's records one by one: the file's own buffer makes that one read.
  if (std::fseek(book.file, offset + BOOK_COUNT_BYTES, SEEK_SET) != 0) return false;
  const std::uint32_t key = bookKeyOf(hashKey);
  for (int i = 0; i < count; ++i) {
    unsigned char bytes[BOOK_RECORD_BYTES];
    if (std::fread(bytes, 1, sizeof bytes, book.file) != sizeof bytes) return false;
    if (readU32(bytes) != key) continue;
    record = decodeBookRecord(bytes);
    fileOffset = offset + BOOK_COUNT_BYTES + static_cast<long>(i) * BOOK_RECORD_BYTES;
    return true;
  }
  return false;
}

void writeBookRecord(BookState& book, const BookRecord& record, long fileOffset) {
  unsigned char bytes[BOOK_RECORD_BYTES];
  encodeBookRecord(record, bytes);
  writeAt(book, fileOffset, bytes, sizeof bytes);
}

bool bookProbe(BookState& book, int table, EvalPosition& pos, Move& move, const BookProbeSettings& settings,
               std::vector<BookCandidate>* shown) {
  if (shown) shown->clear();
  if (!bookTableLoaded(book, table)) return false;
  Candidate candidates[MAX_CANDIDATES];
  const int count = collectCandidates(book, table, pos, candidates);
  weighCandidates(book, candidates, count);
  sortCandidates(candidates, count);
  if (settings.fromInitialPosition && count >= 2) dampSideLines(candidates, count, pos.side);
  if (shown) {
    for (int i = 0; i < count && i < SHOWN_BOOK_CANDIDATES; ++i) {
      shown->push_back(BookCandidate{candidates[i].move, candidates[i].weight, candidates[i].record});
    }
  }
  if (count == 0 || candidates[0].weight <= 0) return false;
  move = candidates[0].move;
  const Move drawn = drawCandidate(candidates, count);
  if (drawn != MOVE_NONE) move = drawn;
  return true;
}

}  // namespace velt
