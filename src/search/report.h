// What the search tells while it runs: principal variations with their figures, the
// start of an iteration, the root move being searched and a sign of life once a
// second. The shell installs the hooks and writes the protocol's text; a hook left
// empty drops its report. Reports come a few times a second at most, from the thread
// that runs the root, so plain function pointers do.
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"

namespace velt {

// A principal variation: its moves and their standard notation, written on the way
// since that needs the position before each move.
struct Variation {
  int length = 0;
  Move moves[MAX_PLY];
  std::string san[MAX_PLY];  // a few letters each: no allocation
};

// The figures of a principal variation.
struct LineFigures {
  int multiPV;  // place among several lines (1 = best), 0 when one line is searched
  int score;    // as shown
  int depth;    // plies
  int selDepth;
  std::uint32_t timeMs;  // since the start of the search
  std::uint64_t nodes;
  std::uint32_t tbHits;
};

struct SearchReporter {
  void* context = nullptr;
  void (*line)(void* context, const LineFigures& figures, const Variation& variation) = nullptr;
  // The last single line once more, when a ponder search becomes the real one.
  void (*repeatLine)(void* context) = nullptr;
  void (*iterationStarted)(void* context, int depth) = nullptr;
  // The root move being searched and its place in this iteration's order (from 1).
  void (*currentMove)(void* context, Move move, int number, std::uint64_t nodes) = nullptr;
  void (*progress)(void* context, std::uint32_t timeMs, std::uint64_t nodes, std::uint32_t tbHits) = nullptr;
};

}  // namespace velt
