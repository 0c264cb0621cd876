// The engine's state below the shell, in one record with one owner: the options and
// the time control the protocols set, the search's own state, the tables its threads
// share (transposition table, history, evaluation data, tablebases), the thread pool
// and the game position that thread 0 searches. The shell's engine record builds on it; a test or
// a tool makes its own. Search threads reach it through Worker::engine.
#pragma once

#include <cstdint>
#include <memory>

#include "egtb/syzygy.h"
#include "egtb/tb_probe.h"
#include "eval/eval_data.h"
#include "search/engine_options.h"
#include "search/history.h"
#include "search/margins.h"
#include "search/node_table.h"
#include "search/parallel.h"
#include "search/root_state.h"
#include "search/search_state.h"
#include "search/tablebase_sites.h"
#include "search/tt.h"
#include "search/worker.h"

namespace velt {

struct EngineCore {
  EngineOptions options;
  std::uint32_t engineFlags = DEFAULT_ENGINE_FLAGS;
  TimeControl timeControl;
  SearchLimits limits;
  TimeAllotment allotment;
  SearchState search;

  TranspositionTable tt;
  HistoryTable history;
  EvalData evalData;
  SearchMargins margins;
  int decidedMargins[MARGIN_COUNT] = {};  // the decided search's pruning margins
  // The tablebases, whose block cache lies in tablebaseCache.
  std::unique_ptr<unsigned char[]> tablebaseCache;
  Tablebases tablebases;
  SyzygyTables syzygy;  // what was handed to the Syzygy library
  SearchTablebases tablebaseSites;
  RootState root{};
  ThreadPool pool;

  // Zero-filled like every record of the search: the evaluation reads the undo records
  // of plies before a set-up position.
  Worker gamePosition{};

  EngineCore();
  EngineCore(const EngineCore&) = delete;
  EngineCore& operator=(const EngineCore&) = delete;
};

// The rook squares the protocols write castling with in Chess960 mode, where it is
// the king taking its own rook; null in standard chess (the king's move).
inline const CastlingSetup* kingTakesRook(const EngineCore& engine) {
  return engine.options.chess960 ? &engine.gamePosition.castling : nullptr;
}

// Restores the search's defaults of a new game (called by newGame).
void resetSearchForNewGame(EngineCore& engine);
// Empties the transposition table and the pawn hash and resets the history.
void clearSearchTables(EngineCore& engine);
// Sets pos to the standard start position, with the ordering tables and, once the
// material table exists, the root move list.
void setUpStartPosition(EvalPosition& pos);

}  // namespace velt
