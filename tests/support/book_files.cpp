#include "support/book_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "board/san.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "search/worker.h"
#include "support/board_setup.h"

namespace velt {

namespace {

void putU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  writeU32(reinterpret_cast<unsigned char*>(&bytes[at]), value);
}

}  // namespace

std::string bookFileBytes(const std::vector<std::vector<BookEntry>>& tables) {
  std::string file;
  for (const std::vector<BookEntry>& table : tables) {
    std::vector<std::vector<BookRecord>> buckets(BOOK_BUCKETS);
    for (BookEntry entry : table) {
      entry.record.key = bookKeyOf(entry.hashKey);
      buckets[bookBucketOf(entry.hashKey)].push_back(entry.record);
    }
    std::string data(BOOK_INDEX_BYTES, '\xFF');
    for (int b = 0; b < BOOK_BUCKETS; ++b) {
      if (buckets[b].empty()) continue;
      putU32(data, 4 * b, static_cast<std::uint32_t>(data.size()));
      const std::size_t at = data.size();
      data.resize(at + 4);
      putU32(data, at, static_cast<std::uint32_t>(buckets[b].size()));
      for (const BookRecord& record : buckets[b]) {
        unsigned char bytes[BOOK_RECORD_BYTES];
        encodeBookRecord(record, bytes);
        data.append(reinterpret_cast<const char*>(bytes), BOOK_RECORD_BYTES);
      }
    }
    file += data;
  }
  return file;
}

std::unique_ptr<Worker> positionAfter(const std::string& sanMoves, int plies) {
  std::unique_ptr<Worker> pos = positionFromFen(nullptr);
  std::istringstream words(sanMoves);
  std::string word;
  while (pos->gamePly < plies && words >> word) {
    if (word.back() == '.') continue;
    Move move = MOVE_NONE;
    pos->ply = 0;
    EXPECT_TRUE(parseSanMove(*pos, word.c_str(), move)) << word;
    makeMove(*pos, move, -MATE_SCORE, MATE_SCORE);
    pos->ply = 0;
    evaluate(*pos, NO_WINDOW, MATE_SCORE);
  }
  return pos;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace velt
