// The static evaluation: entry point, the attack-map filler used by its early exits,
// and the gain statistics it learns per piece move.
#pragma once

#include "board/move_gain.h"
#include "board/position.h"

namespace velt {

struct EvalData;

// A position as one thread evaluates it: each evaluation leaves the positional score
// of its ply here, and the thread's index selects its pawn hash table in the engine's
// evaluation data.
struct EvalPosition : Position {
  int plyEval[MAX_PLY];
  int threadIndex = 0;  // thread 0 is the game's
  EvalData* evalData = nullptr;
  // Off while the game level tries moves: its legality checks are no observations of
  // the search, and the protocols check a move a different number of times.
  bool learnsGains = true;
};

// Widest window: alpha = NO_WINDOW asks for a full evaluation without lazy exits.
constexpr int NO_WINDOW = -30000;

// Score of the side to move. Leaves attackMap[ply][both], plyEval[ply] and the lazy
// count of undo[gamePly - 1].evalExtra; (alpha, beta) is the caller's window.
int evaluate(EvalPosition& pos, int alpha, int beta);
// attackMap[ply][colour]: the squares attacked by each colour's men.
void fillAttackMaps(Position& pos);

void clearGainTables(GainTables& gains);
// One observed change d of the positional score, mover's view, for the move at
// `index`: a bound beyond d drifts one step toward it, a bound short of d jumps
// to d when d lies within 500, and otherwise drifts one step outward.
void learnGain(GainTables& gains, int index, int d);

}  // namespace velt
