// libFuzzer target of the book file: opening it and probing it. An input starting
// with an even byte is the file itself. Otherwise it describes a file in few bytes,
// since every table's index alone takes 128 KiB:
//   byte 1        tables in the file, less one (mod 4)
//   u16           number n of index entries given
//   n * (u16 bucket, u32 index value)   the rest of the index is empty
//   the rest      the bytes after the index (bucket counts and records)
// and the file holds that table that many times. From the start position the book's
// moves are followed for a few plies, asking every table; each move it gives must
// be legal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "book/book.h"
#include "fuzz_support.h"
#include "shell/game_moves.h"

using namespace velt;

namespace {

constexpr int FOLLOWED_PLIES = 6;
constexpr std::size_t ENTRY_BYTES = 6;

std::uint32_t readLittleEndian(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::vector<std::uint8_t> expandedFile(const std::uint8_t* data, std::size_t size) {
  const int tables = size > 1 ? 1 + data[1] % BOOK_MAX_TABLES : 1;
  std::size_t at = 2;
  const std::size_t entries = at + 2 <= size ? readLittleEndian(data + at, 2) : 0;
  at += 2;
  std::vector<std::uint8_t> table(BOOK_INDEX_BYTES, 0xFF);
  for (std::size_t e = 0; e < entries && at + ENTRY_BYTES <= size; ++e, at += ENTRY_BYTES) {
    const std::uint32_t bucket = readLittleEndian(data + at, 2) & BOOK_BUCKET_MASK;
    writeU32(table.data() + 4 * bucket, readLittleEndian(data + at + 2, 4));
  }
  if (at < size) table.insert(table.end(), data + at, data + size);
  std::vector<std::uint8_t> file;
  for (int t = 0; t < tables; ++t) file.insert(file.end(), table.begin(), table.end());
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<Engine> engine = makeFuzzEngine();
  const std::vector<std::uint8_t> expanded =
      size > 0 && data[0] % 2 == 1 ? expandedFile(data, size) : std::vector<std::uint8_t>();
  const InputFile file(expanded.empty() ? data : expanded.data(), expanded.empty() ? size : expanded.size());
  BookState book;
  const BookOpening opening = openBook(book, file.path.c_str());
  if (opening != BookOpening::OPEN) {
    if (bookIsOpen(book)) std::abort();
    return 0;
  }
  Worker& pos = engine->gamePosition;
  setUpPosition(pos);
  std::vector<BookCandidate> shown;
  for (int ply = 0; ply < FOLLOWED_PLIES; ++ply) {
    Move next = MOVE_NONE;
    for (int table = 0; table < BOOK_MAX_TABLES; ++table) {
      Move move = MOVE_NONE;
      if (!bookProbe(book, table, pos, move, BookProbeSettings{ply == 0}, &shown)) continue;
      if (!amongLegalMoves(pos, move)) std::abort();
      next = move;
    }
    for (const BookCandidate& candidate : shown) {
      if (!amongLegalMoves(pos, candidate.move)) std::abort();
    }
    if (next == MOVE_NONE || !makeGameMove(*engine, next)) break;
  }
  takeCaptured(engine->out);
  return 0;
}
