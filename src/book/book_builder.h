// Building a one-table book from a PGN file: the first 25 moves of every game with a
// Result tag are played through, and every position reached is counted with the
// games' results. Uses the board layer only.
#pragma once

namespace velt {

constexpr int BOOK_BUILD_MOVES = 25;        // moves of each game that are read
constexpr int GAME_TEXT_LIMIT = 2048;       // characters of move text kept per game
constexpr long long BOOK_POOL_BYTES = 512LL * 1024 * 1024;

// Reads `pgnPath` and writes the book to `bookPath` through a temporary file beside
// it, which replaces the book only when every write succeeded. Prints progress and
// errors; true when the book was written. The game position is left at the start of
// the last game read.
bool createBook(const char* pgnPath, const char* bookPath, long long poolBytes = BOOK_POOL_BYTES);

}  // namespace velt
