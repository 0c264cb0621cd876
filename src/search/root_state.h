// What the root driver keeps between its calls: the root move list, the multi-PV
// slots, the search family running and the facts of the previous search that the
// next one's rules read. Part of the engine's search record; only the root's thread
// touches it.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/types.h"

namespace velt {

constexpr int MAX_ROOT_MOVES = 256;
constexpr int MAX_MULTI_PV = 5;

struct RootMove {
  Move move;
  std::uint32_t key;
};

struct PVSlot {
  Move line[MAX_PLY + 1];
  int score;
  int depth;  // half-plies, -1 when empty
  int selDepth;
  std::uint32_t timeMs;
  std::uint64_t nodes;
  std::uint32_t hits;
};

struct RootState {
  RootMove moves[MAX_ROOT_MOVES];
  int moveCount = 0;
  Move numberedMoves[MAX_ROOT_MOVES];  // the order of this iteration, for currmovenumber
  int rootEval = 0;
  bool underPromotionsAdded = false;
  // Game ply and piece balance at the previous search, for the recapture rule.
  int previousSearchPly = -10;
  int previousBalance = 0;
  PVSlot slots[MAX_MULTI_PV];
  // The family of the search running (or of the last one, for its lines): the
  // decided-position search's, else the normal search's.
  bool decidedSearch = false;
  // Elapsed milliseconds at the last line reported during this search (the poll reads
  // it from any thread that polls).
  std::atomic<std::uint32_t> lastOutputMs{0};
  // Elapsed milliseconds of the search at the last analysis-file save.
  std::uint32_t lastSaveMs = 0;
  // The principal variation of the last completed iteration (ended by MOVE_NONE), its
  // score and its depth in half-plies (0: no iteration completed yet).
  Move completedLine[MAX_PLY + 1];
  int completedScore = 0;
  int completedDepth = 0;
};

}  // namespace velt
