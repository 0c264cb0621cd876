// Quiescence search and its zero-window form (the frontier search). One routine
// serves both: on the window [beta - 1, beta] only its move-making bounds and its
// checking-move generator differ. Moves are made with the legality test, so no
// position with a capturable king is ever searched.
#include "search/quiesce.h"

#include <algorithm>

#include "board/bitboard.h"
#include "board/checks.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/move_step.h"
#include "search/decided_table.h"
#include "search/engine_core.h"
#include "search/margins.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/node_table.h"
#include "search/search_state.h"
#include "search/tt.h"

namespace velt {

namespace {

constexpr int HASH_MOVE_BONUS = 0x40000000;

// Among captures of equal score: larger key first (a knight promotion before a rook
// and a queen promotion, then by squares).
int captureTieKey(Move move) {
  static constexpr int promotionKey[5] = {0, 12288, 0, 8192, 4096};
  return moveTo(move) | promotionKey[movePromotion(move)] | moveFrom(move) << 6 |
         ((move & FLAG_EN_PASSANT) ? 0x4000 : 0);
}

Move pickCapture(Worker& pos, int& next, int end) {
  if (next >= end) return MOVE_NONE;
  ScoredMove* list = pos.moveList;
  int best = next;
  for (int i = next + 1; i < end; ++i) {
    if (list[i].score > list[best].score ||
        (list[i].score == list[best].score && captureTieKey(list[i].move) > captureTieKey(list[best].move))) {
      best = i;
    }
  }
  std::swap(list[best], list[next]);
  return list[next++].move;
}

// Entry steps; true when the node ends at once with `result`.
template <class T>
bool entryEnds(Worker& pos, int alpha, int beta, int& result) {
  EngineCore& engine = *pos.engine;
  startNode(pos);
  result = 0;
  if (isRepetition(pos) || countNode(pos)) return true;
  // Written only when it grows: every quiescence node of every thread reads it.
  if (2 * pos.ply > engine.search.selDepthHalfPlies.load(std::memory_order_relaxed)) {
    engine.search.selDepthHalfPlies.store(2 * pos.ply, std::memory_order_relaxed);
  }
  return pos.ply >= PLY_LIMIT || T::entryEnds(pos, alpha, beta, result);
}

template <class T, bool Frontier>
int quiesceNode(Worker& pos, int alpha, int beta, int checkPlies);
template <class T, bool Frontier>
int quiesceInCheckNode(Worker& pos, int alpha, int beta, int checkPlies);

template <class T, bool Frontier>
int searchChild(Worker& pos, int alpha, int beta, int checkPlies) {
  return nodeInCheck(pos) ? -quiesceInCheckNode<T, Frontier>(pos, -beta, -alpha, checkPlies)
                          : -quiesceNode<T, Frontier>(pos, -beta, -alpha, checkPlies);
}

template <class T, bool Frontier>
bool makeWithBounds(Worker& pos, Move move, int alpha, int beta) {
  return Frontier ? makeMove(pos, move, beta - 20, beta + 20) != 0 : makeMove(pos, move, alpha, beta) != 0;
}

// Result handling shared by every searched move. Returns true on a cutoff.
template <class T>
bool recordScore(Worker& pos, Move move, int score, int& best, int& alpha, int beta, Move& bestMove) {
  if (score <= best) return false;
  best = score;
  if (score <= alpha) return false;
  if (score >= beta) {
    T::quiesceStoreCut(pos, move, score);
    return true;
  }
  alpha = score;
  bestMove = move;
  return false;
}

// The stand-pat value raised for the moves still to come; true on a cutoff.
bool raiseStandPat(int raised, int& best, int& alpha, int beta) {
  if (raised <= best) return false;
  best = raised;
  if (raised <= alpha) return false;
  if (raised >= beta) return true;
  alpha = raised;
  return false;
}

template <class T, bool Frontier>
int quiesceNode(Worker& pos, int alpha, int beta, int checkPlies) {
  EngineCore& engine = *pos.engine;
  int result;
  if (entryEnds<T>(pos, alpha, beta, result)) return result;
  int hashFromTo = 0;
  if (T::quiesceProbeEnds(pos, Frontier, alpha, beta, checkPlies, result, hashFromTo)) return result;

  const int eval = nodeEval(pos);
  const int standPat = eval + engine.margins.standPatBonus;
  int best = standPat;
  if (standPat > alpha) {
    if (standPat >= beta) return standPat;
    alpha = standPat;
  }
  // Victims that cannot lift the score to alpha are left out; the best score so far
  // becomes what the largest left-out victim could bring.
  const int them = pos.xside;
  Bitboard removed = 0;
  if (T::prunes(pos, alpha) && standPat + engine.margins.deltaPawn < alpha) {
    removed |= pos.pieceBB[them][PAWN];
    best = standPat + engine.margins.deltaPawn;
    if (standPat + engine.margins.deltaMinor < alpha) {
      removed |= pos.pieceBB[them][KNIGHT] | pos.pieceBB[them][BISHOP];
      best = standPat + engine.margins.deltaMinor;
      if (standPat + engine.margins.deltaRook < alpha) {
        removed |= pos.pieceBB[them][ROOK];
        best = standPat + engine.margins.deltaRook;
      }
    }
  }
  generateCaptures(pos, pos.colourBB[them] & ~removed, false);
  int next = pos.listStart[pos.ply];
  const int end = pos.listStart[pos.ply + 1];
  for (int i = next; i < end; ++i) {
    if (moveFromTo(pos.moveList[i].move) == hashFromTo) pos.moveList[i].score |= HASH_MOVE_BONUS;
  }
  Move keptBack[2] = {MOVE_NONE, MOVE_NONE};
  int safeCaptures = 0;
  Move bestMove = MOVE_NONE;
  while (const Move move = pickCapture(pos, next, end)) {
    if (!captureIsSafe(pos, move)) {
      if (keptBack[0] == MOVE_NONE) {
        keptBack[0] = move;
      } else if (keptBack[1] == MOVE_NONE) {
        keptBack[1] = move;
      }
      continue;
    }
    ++safeCaptures;
    if (raiseStandPat(standPat + 2 * safeCaptures, best, alpha, beta)) return best;
    if (!makeWithBounds<T, Frontier>(pos, move, alpha, beta)) continue;
    const int score = searchChild<T, Frontier>(pos, alpha, beta, checkPlies - 1);
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    if (recordScore<T>(pos, move, score, best, alpha, beta, bestMove)) return score;
  }

  if (checkPlies > 0 && T::quiesceTriesChecks(pos, eval, checkPlies, alpha)) {
    if (Frontier && T::restrictsFrontierChecks()) {
      const int king = pos.kingSquare[them];
      const Bitboard flight = kingAttacks[king] & (pos.colourBB[them] | pos.attackMap[pos.ply][pos.side]);
      generateChecksRestricted(pos, removed, flight);
    } else {
      generateChecks(pos, removed, keptBack[0], keptBack[1]);
    }
    const int first = pos.listStart[pos.ply], last = pos.listStart[pos.ply + 1];
    if (raiseStandPat(standPat + 2 * safeCaptures + (last - first), best, alpha, beta)) return best;
    for (int i = first; i < last; ++i) {
      const Move move = pos.moveList[i].move;
      if (!makeWithBounds<T, Frontier>(pos, move, alpha, beta)) continue;
      const int score = searchChild<T, Frontier>(pos, alpha, beta, checkPlies - 1);
      unmakeMove(pos);
      if (stopped(pos)) return 0;
      if (recordScore<T>(pos, move, score, best, alpha, beta, bestMove)) return score;
    }
  }
  T::quiesceStoreResult(pos, Frontier, best, bestMove);
  return best;
}

template <class T, bool Frontier>
int quiesceInCheckNode(Worker& pos, int alpha, int beta, int checkPlies) {
  EngineCore& engine = *pos.engine;
  int result;
  if (entryEnds<T>(pos, alpha, beta, result)) return result;
  int hashFromTo = 0;
  if (T::quiesceProbeEnds(pos, Frontier, alpha, beta, checkPlies, result, hashFromTo)) return result;

  const int e = nodeEval(pos) + engine.margins.evasionBonus;
  const int them = pos.xside;
  Bitboard targets = ~Bitboard{0};
  int best = pos.ply - MATE_SCORE;
  if (e < alpha && T::prunes(pos, alpha)) {
    // Far below alpha only captures can help, and only of victims big enough.
    targets = pos.colourBB[them];
    best = e;
    if (e + 225 < alpha) {
      targets &= ~pos.pieceBB[them][PAWN];
      best = e + 225;
      if (e + 775 < alpha) {
        targets &= ~(pos.pieceBB[them][KNIGHT] | pos.pieceBB[them][BISHOP]);
        best = e + 775;
      }
    }
  }
  generateEvasions(pos, targets);
  const int first = pos.listStart[pos.ply], last = pos.listStart[pos.ply + 1];
  if (last - first > 1) {
    for (int i = first; i < last; ++i) {
      const Move move = pos.moveList[i].move;
      int key = 0;
      if (move & FLAG_CAPTURE) {
        const int victim = (move & FLAG_EN_PASSANT) ? pieceCode(them, PAWN) : pos.board[moveTo(move)];
        key = (victim + 1) * 256 - pos.board[moveFrom(move)];
      }
      pos.moveList[i].score = key;
    }
    sortByScore(pos.moveList + first, pos.moveList + last);
    --checkPlies;  // a single evasion costs no check ply
  }
  Move bestMove = MOVE_NONE;
  for (int i = first; i < last; ++i) {
    const Move move = pos.moveList[i].move;
    if (!makeWithBounds<T, Frontier>(pos, move, alpha, beta)) continue;
    const int score = searchChild<T, Frontier>(pos, alpha, beta, checkPlies);
    unmakeMove(pos);
    if (stopped(pos)) return 0;
    if (recordScore<T>(pos, move, score, best, alpha, beta, bestMove)) return score;
  }
  T::quiesceStoreResult(pos, Frontier, best, bestMove);
  return best;
}

}  // namespace

template <class T>
int quiesce(Worker& pos, int alpha, int beta, int checkPlies) {
  return quiesceNode<T, false>(pos, alpha, beta, checkPlies);
}

template <class T>
int quiesceInCheck(Worker& pos, int alpha, int beta, int checkPlies) {
  return quiesceInCheckNode<T, false>(pos, alpha, beta, checkPlies);
}

template <class T>
int searchFrontier(Worker& pos, int beta, int checkPlies) {
  return quiesceNode<T, true>(pos, beta - 1, beta, checkPlies);
}

template <class T>
int searchFrontierInCheck(Worker& pos, int beta, int checkPlies) {
  return quiesceInCheckNode<T, true>(pos, beta - 1, beta, checkPlies);
}

template int quiesce<NormalTable>(Worker&, int, int, int);
template int quiesceInCheck<NormalTable>(Worker&, int, int, int);
template int searchFrontier<NormalTable>(Worker&, int, int);
template int searchFrontierInCheck<NormalTable>(Worker&, int, int);
template int quiesce<DecidedTable>(Worker&, int, int, int);
template int quiesceInCheck<DecidedTable>(Worker&, int, int, int);
template int searchFrontier<DecidedTable>(Worker&, int, int);
template int searchFrontierInCheck<DecidedTable>(Worker&, int, int);

}  // namespace velt
