// Book files made by hand for the book tests, and the positions of short games.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/position.h"
#include "book/book.h"

struct BookEntry {
  std::uint64_t hashKey;
  BookRecord record;  // its key is taken from hashKey
};

// The bytes of a book file holding these tables, in order.
std::string bookFileBytes(const std::vector<std::vector<BookEntry>>& tables);
// The start position, ready for probing, with the SAN moves (blank-separated) made.
std::unique_ptr<Position> positionAfter(const std::string& sanMoves);
// The hash keys after each ply of the SAN moves from the start position.
std::vector<std::uint64_t> hashesAlong(const std::string& sanMoves);
// The whole content of a file ("" when it cannot be read).
std::string readWholeFile(const std::string& path);
