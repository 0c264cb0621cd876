// The opening book file: up to four hash tables of position records, opened for
// reading and in-place writing, and the probe that scores the continuations of a
// position and draws one of them at random.
//
// File layout (little-endian): each table is an index of BOOK_BUCKETS 32-bit bucket
// offsets relative to the table's start (BOOK_EMPTY_BUCKET when empty), followed by
// its buckets: a 32-bit record count and that many 16-byte records. Table 0 starts
// at offset 0; each further table starts right after the previous table's last
// bucket. A book file is untrusted input: every offset and count is checked against
// the file's size, and a damaged file is refused as a whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "eval/evaluate.h"

namespace velt {

constexpr int BOOK_BUCKETS = 32768;
constexpr std::uint32_t BOOK_BUCKET_MASK = BOOK_BUCKETS - 1;
constexpr std::uint32_t BOOK_EMPTY_BUCKET = 0xFFFFFFFFu;
constexpr long BOOK_INDEX_BYTES = BOOK_BUCKETS * 4L;
constexpr int BOOK_RECORD_BYTES = 16;
constexpr int BOOK_COUNT_BYTES = 4;
constexpr int BOOK_MAX_TABLES = 4;
constexpr int BOOK_BUCKET_READ_LIMIT = 4096;  // records read from one bucket
constexpr int BOOK_SKIP_OFFSET = 14;          // byte of `skip` inside a record
constexpr std::uint16_t BOOK_COUNTER_LIMIT = 65535;

// Record flags.
constexpr std::uint8_t BOOK_FLAG_PRIORITY = 0x1;  // `priority` valid; a candidate with few games
constexpr std::uint8_t BOOK_FLAG_NEVER_PLAY = 0x2;

// One position reached by a move, keyed by the high half of its hash.
struct BookRecord {
  std::uint32_t key = 0;
  std::uint16_t games = 0;       // games that reached the position, saturating
  std::uint16_t learnCount = 0;  // learning updates, saturating
  std::int16_t score = 0;        // results from the mover's side: +1 win, -1 loss
  std::int16_t priority = 0;     // hand-set preference, valid with BOOK_FLAG_PRIORITY
  std::int16_t learned = 0;      // sum of learning results
  std::uint8_t skip = 0;         // probes still to sit out
  std::uint8_t flags = 0;
};

// Little-endian encoding of the file's integers and records.
void writeU32(unsigned char* bytes, std::uint32_t value);
void encodeBookRecord(const BookRecord& record, unsigned char* bytes);
BookRecord decodeBookRecord(const unsigned char* bytes);
std::uint32_t bookKeyOf(std::uint64_t hashKey);
int bookBucketOf(std::uint64_t hashKey);

struct BookTable {
  long start = 0;
  std::uint32_t index[BOOK_BUCKETS];  // offsets relative to `start`
};

// An open book: one file handle shared by probing and learning. Its owner passes it to
// every book function; it closes the file when it ends.
struct BookState {
  std::FILE* file = nullptr;
  bool writable = false;  // a read-only file still gives moves, but keeps no counters
  long fileSize = 0;
  int tableCount = 0;
  BookTable* tables[BOOK_MAX_TABLES] = {};

  BookState() = default;
  BookState(const BookState&) = delete;
  BookState& operator=(const BookState&) = delete;
  ~BookState();
};

enum class BookOpening { OPEN, ABSENT, DAMAGED, OUT_OF_MEMORY };

// Opens the book file unless one is open; otherwise no book is left open.
BookOpening openBook(BookState& book, const char* path);
void closeBook(BookState& book);
bool bookIsOpen(const BookState& book);
bool bookTableLoaded(const BookState& book, int table);

// Looks the position with this hash up in one table: fills `record` and its file
// offset and returns true when found.
bool findBookRecord(BookState& book, int table, std::uint64_t hashKey, BookRecord& record, long& fileOffset);
// Writes a record that findBookRecord returned back at its offset.
void writeBookRecord(BookState& book, const BookRecord& record, long fileOffset);

struct BookProbeSettings {
  bool fromInitialPosition = true;  // side lines are damped only in games from the start
};

// A continuation as the probe weighed it, for showing.
struct BookCandidate {
  Move move;
  int weight;
  BookRecord record;
};
constexpr int SHOWN_BOOK_CANDIDATES = 10;

// Scores the continuations of `pos` found in `table`, counts down their skip
// counters in the file, and draws one at random in proportion to the weights.
// Returns true and sets `move` when it chose one. `pos` is left as it was. With
// `shown`, lists there the best candidates (at most SHOWN_BOOK_CANDIDATES), best first.
bool bookProbe(BookState& book, int table, EvalPosition& pos, Move& move, const BookProbeSettings& settings,
               std::vector<BookCandidate>* shown = nullptr);

}  // namespace velt
