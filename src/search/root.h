// The root driver: iterative deepening with aspiration windows over the root move
// list of the game position, and the reports of its progress (search/report.h).
#pragma once

#include <cstdint>

#include "search/report.h"
#include "search/root_state.h"
#include "search/worker.h"

namespace velt {

struct EngineCore;


// Searches gamePosition. Results: gamePosition.pv[0] (length pvLength[0]), bestMove,
// ponderMove, rootScore and the node count in totalNodes.
void searchRoot(EngineCore& engine);
// The decided-position search of gamePosition, for games clearly won or lost: exact
// mate distances, same results as searchRoot. After a hand-over (`fromDepth`, the
// normal search's last depth, above 0) it starts two half-plies deeper, with the
// normal search's best move first.
void searchDecided(EngineCore& engine, int fromDepth);

// The nodes of the running search so far, those of its helper threads included.
std::uint64_t nodesSoFar(const Worker& pos);

// Reports the principal variation of the root with its figures.
void reportThinking(EngineCore& engine, int score, int depth);
// Reports the last single line again (on a ponder hit).
void repeatThinking(EngineCore& engine);
// Reports the root move being searched.
void reportCurrentMove(EngineCore& engine, Move move, int number);
// UCI with thinking shown: reports progress when a second has passed since the last
// report of this search, so that a long iteration in analysis does not look stalled.
void reportProgress(EngineCore& engine);
// Reports every filled multi-PV slot (when thinking is shown).
void reportMultiPV(EngineCore& engine);
// The variation that starts with the legal move `first` and goes on with the table's
// moves, up to `wanted` moves.
void tableVariation(Worker& pos, Move first, int wanted, Variation& variation);

// Shown score of an analysis line: window-edge scores (500, 750, 1000) are smoothed
// against the last score printed, which then becomes the shown score.
int displayScore(EngineCore& engine, int score);

}  // namespace velt
