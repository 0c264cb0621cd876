// Building a one-table book from a PGN file: the first 25 moves of every game with a
// Result tag are played through, and every position reached is counted with the
// games' results. The book is for standard chess: Chess960 games are left out. Uses
// the board layer only.
#pragma once

#include <string>

#include "eval/evaluate.h"

namespace velt {

constexpr int BOOK_BUILD_MOVES = 25;        // moves of each game that are read
constexpr int GAME_TEXT_LIMIT = 2048;       // characters of move text kept per game
constexpr long long BOOK_POOL_BYTES = 512LL * 1024 * 1024;

enum class BookBuildResult { WRITTEN, NO_GAME_FILE, OUT_OF_MEMORY, NOT_CREATED, NOT_WRITTEN };

// What the builder tells while it works; a hook left empty drops its report.
struct BookBuildProgress {
  void* context = nullptr;
  // The game with this number (from 1) is about to be played through.
  void (*gameStarted)(void* context, int games) = nullptr;
  // A move of this game text cannot be played: the game ends there.
  void (*gameRejected)(void* context, const std::string& gameText) = nullptr;
  // The position pool is full: reading stops, the book keeps what was read.
  void (*poolFull)(void* context) = nullptr;
  void (*readingDone)(void* context) = nullptr;
  void (*writingStarted)(void* context) = nullptr;
  // The game with this number is Chess960 (its Variant tag says so) and is left out.
  void (*chess960Skipped)(void* context, int games) = nullptr;
};

// Reads `pgnPath` and writes the book to `bookPath` through a temporary file beside
// it, which replaces the book only when every write succeeded. The games are played
// through on `pos`, which is left at the start of the last game read.
BookBuildResult createBook(EvalPosition& pos, const char* pgnPath, const char* bookPath,
                           const BookBuildProgress& progress, long long poolBytes = BOOK_POOL_BYTES);

}  // namespace velt
