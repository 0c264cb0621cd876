// Quiescence: captures (and for a few plies checks) below the horizon, so that leaves
// are scored in quiet positions; and its zero-window form, the frontier search.
#pragma once

#include "search/worker.h"

namespace velt {

// Every caller starts the quiescence with this many plies of quiet checks.
constexpr int QUIESCE_CHECK_PLIES = 4;

// The table-and-score policies (node_table.h, decided_table.h).
struct NormalTable;
struct DecidedTable;

// Side to move not in check / in check; full window (alpha, beta).
template <class T = NormalTable>
int quiesce(Worker& pos, int alpha, int beta, int checkPlies);
template <class T = NormalTable>
int quiesceInCheck(Worker& pos, int alpha, int beta, int checkPlies);
// The zero-window forms on [beta - 1, beta].
template <class T = NormalTable>
int searchFrontier(Worker& pos, int beta, int checkPlies);
template <class T = NormalTable>
int searchFrontierInCheck(Worker& pos, int beta, int checkPlies);

// The quiescence routine for the side now to move, by its check status.
template <class T = NormalTable>
int quiesceAny(Worker& pos, int alpha, int beta) {
  return inCheck(pos.checkInfo[pos.gamePly]) ? quiesceInCheck<T>(pos, alpha, beta, QUIESCE_CHECK_PLIES)
                                             : quiesce<T>(pos, alpha, beta, QUIESCE_CHECK_PLIES);
}
template <class T = NormalTable>
int frontierAny(Worker& pos, int beta) {
  return inCheck(pos.checkInfo[pos.gamePly]) ? searchFrontierInCheck<T>(pos, beta, QUIESCE_CHECK_PLIES)
                                             : searchFrontier<T>(pos, beta, QUIESCE_CHECK_PLIES);
}

}  // namespace velt
