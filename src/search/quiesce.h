// Quiescence: captures (and for a few plies checks) below the horizon, so that leaves
// are scored in quiet positions; and its zero-window form, the frontier search.
#pragma once

#include "board/position.h"

// Every caller starts the quiescence with this many plies of quiet checks.
constexpr int QUIESCE_CHECK_PLIES = 4;

// Side to move not in check / in check; full window (alpha, beta).
int quiesce(Position& pos, int alpha, int beta, int checkPlies);
int quiesceInCheck(Position& pos, int alpha, int beta, int checkPlies);
// The zero-window forms on [beta - 1, beta].
int searchFrontier(Position& pos, int beta, int checkPlies);
int searchFrontierInCheck(Position& pos, int beta, int checkPlies);

// The quiescence routine for the side now to move, by its check status.
inline int quiesceAny(Position& pos, int alpha, int beta) {
  return inCheck(pos.checkInfo[pos.gamePly]) ? quiesceInCheck(pos, alpha, beta, QUIESCE_CHECK_PLIES)
                                             : quiesce(pos, alpha, beta, QUIESCE_CHECK_PLIES);
}
inline int frontierAny(Position& pos, int beta) {
  return inCheck(pos.checkInfo[pos.gamePly]) ? searchFrontierInCheck(pos, beta, QUIESCE_CHECK_PLIES)
                                             : searchFrontier(pos, beta, QUIESCE_CHECK_PLIES);
}
