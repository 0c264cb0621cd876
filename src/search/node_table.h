// How the node routines use the transposition table: the probe at node entry, the
// cut tests of the shallow and deep nodes, and their stores.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/tt.h"

// The matching entries of a node's bucket, and the hash move they offer.
struct Probe : TTScan {
  Move hashMove = MOVE_NONE;
  int deepest = -1;  // depth of the deepest matching entry
};

void probeTable(Position& pos, std::uint64_t key, Probe& probe);

bool cutsLow(const TTHit& hit, int beta);
bool cutsHigh(const TTHit& hit, int beta);

// After a move at depth: an exact entry of sufficient depth stored meanwhile (by
// another thread) ends the node with its move as the line.
bool exactEntryEnds(Position& pos, int depth, int& result);

// A depth as the table records it.
int tableDepth(int depth);

// The table stores of a zero-window node (neither flag).
void storeZeroWindow(std::uint64_t key, int depth, Move bestMove, int best, int beta);
// The keyed stores of a deep zero-window node: lower bounds of expected all nodes and
// upper bounds of expected cut nodes are restricted to nodes of the same kind.
void storeDeep(std::uint64_t key, int depth, Move bestMove, int best, int beta, int mode);

// Deep-node probe: entries of sufficient depth cut, restricted ones only for nodes of
// the kind that stored them. Their age is refreshed.
bool deepProbeEnds(Probe& probe, std::uint64_t key, int beta, int depth, int mode, int& result);
bool shallowProbeEnds(const Probe& probe, int beta, int depth, int& result);
