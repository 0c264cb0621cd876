// The fixture of the search tests: the engine's tables built once with a small
// transposition table, UCI output, no clock, and a search of a FEN to a fixed depth
// by either search family with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "shell/engine.h"

namespace velt {

struct SearchResult {
  std::string move;  // coordinates, "none" without a move
  int score;
  std::uint64_t nodes;
  std::string output;
};

// Makes an engine record ready for fixed-depth searches: UCI output, no clock, its
// table of the size its options give.
void prepareForSearches(Engine& engine);
// A new game from `fen` on `engine`, searched to `depth` plies by the normal search
// (restricted to `searchMoves` when not empty).
SearchResult searchOn(Engine& engine, const char* fen, int depth, const char* searchMoves = "");

class SearchFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  // The engine record the suites' searches run under.
  static Engine& engine();
  void SetUp() override;

  // A new game from `fen`, searched to `depth` plies by the normal search (restricted
  // to `searchMoves` when not empty) or by the decided-position search.
  static SearchResult search(const char* fen, int depth, const char* searchMoves = "");
  static SearchResult searchDecidedTo(const char* fen, int depth);
};

}  // namespace velt
