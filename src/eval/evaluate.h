// The static evaluation: entry point, the attack-map filler used by its early exits,
// and the gain statistics it learns per piece move.
#pragma once

#include <atomic>

#include "board/position.h"

namespace velt {

// Widest window: alpha = NO_WINDOW asks for a full evaluation without lazy exits.
constexpr int NO_WINDOW = -30000;

// Score of the side to move. Leaves attackMap[ply][both], plyEval[ply] and the lazy
// count of undo[gamePly - 1].evalExtra; (alpha, beta) is the caller's window.
int evaluate(Position& pos, int alpha, int beta);
// attackMap[ply][colour]: the squares attacked by each colour's men.
void fillAttackMaps(Position& pos);

// Smallest and largest change of the positional score seen per piece move, from the
// mover's view; shared by all threads without locks as relaxed atomics (lost updates
// are harmless).
constexpr int GAIN_TABLE_SIZE = 32 * 4096;
extern std::atomic<int> gainTable[GAIN_TABLE_SIZE];
extern std::atomic<int> gainMinTable[GAIN_TABLE_SIZE];
inline int gainAt(const std::atomic<int>* table, int index) { return table[index].load(std::memory_order_relaxed); }
// Index by the piece code standing on the destination after the move and the
// from-to pair.
inline int gainIndex(int pieceCodeAfter, Move move) { return pieceCodeAfter * 4096 + static_cast<int>(move & 0xFFF); }
void clearGainTables();
// One observed change d of the positional score, mover's view, for the move at
// `index`: a bound beyond d drifts one step toward it, a bound short of d jumps
// to d when d lies within 500, and otherwise drifts one step outward.
void learnGain(int index, int d);

}  // namespace velt
