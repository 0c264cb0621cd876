// The root driver: iterative deepening with aspiration windows over the root move
// list of the game position, and the analysis output in UCI and xboard form.
#pragma once

#include <cstdint>

#include "search/worker.h"

namespace velt {

constexpr int MAX_ROOT_MOVES = 256;
constexpr int MAX_MULTI_PV = 5;

// Searches gamePosition. Results: gamePosition.pv[0] (length pvLength[0]), bestMove,
// ponderMove, rootScore and the node count in totalNodes.
void searchRoot();
// The decided-position search of gamePosition, for games clearly won or lost: exact
// mate distances, same results as searchRoot. After a hand-over (`fromDepth`, the
// normal search's last depth, above 0) it starts two half-plies deeper, with the
// normal search's best move first.
void searchDecided(int fromDepth);

// Prints one analysis line for the principal variation (when FLAG_POST is set).
void printThinking(int score, int depth);
// Prints the last analysis line again (on a ponder hit).
void reprintThinking();
// "info currmove" for the root move being searched.
void printCurrMove(Move move, int number);
// UCI: "info time nodes nps tbhits" when a second has passed since the last line
// of this search, so that a long iteration in analysis does not look stalled.
void printProgress();
// Prints every filled multi-PV slot.
void printMultiPV();
// Appends to `out` the variation that starts with the legal move `first` and goes on
// with the table's moves, up to `wanted` moves in SAN, each after a blank.
void tableVariation(Worker& pos, Move first, int wanted, char* out, int size);

// Shown score of an analysis line: window-edge scores (500, 750, 1000) are smoothed
// against the last score printed, which then becomes the shown score.
int displayScore(int score);
// Formats a score for UCI: "cp N" or "mate N" with N in moves.
void formatUciScore(char* buffer, int size, int score);

}  // namespace velt
