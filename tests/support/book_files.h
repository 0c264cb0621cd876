// Book files made by hand for the book tests, and the positions of short games.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book.h"
#include "search/worker.h"

namespace velt {

struct BookEntry {
  std::uint64_t hashKey;
  BookRecord record;  // its key is taken from hashKey
};

// The bytes of a book file holding these tables, in order.
std::string bookFileBytes(const std::vector<std::vector<BookEntry>>& tables);
// The start position, ready for probing, with the first `plies` SAN moves of the text
// made (blank-separated; move numbers such as "12." are passed over).
std::unique_ptr<Worker> positionAfter(const std::string& sanMoves, int plies = 999);
// The whole content of a file ("" when it cannot be read).
std::string readWholeFile(const std::string& path);

}  // namespace velt
