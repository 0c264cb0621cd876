// The staged move picker and the move tests it shares with the node searches.
#include "search/movepick.h"

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/checks.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/evaluate.h"
#include "search/engine_core.h"
#include "search/history.h"

namespace velt {

namespace {

int& listEnd(Worker& pos) { return pos.listStart[pos.ply + 1]; }

// Hands out the highest-scored entry left in [nextIndex, endIndex), moving it to the
// front of what is left.
Move pickBest(Worker& pos, PickState& ps) {
  if (ps.nextIndex >= ps.endIndex) return MOVE_NONE;
  ScoredMove* list = pos.moveList;
  int best = ps.nextIndex;
  for (int i = ps.nextIndex + 1; i < ps.endIndex; ++i) {
    if (list[i].score > list[best].score) best = i;
  }
  const ScoredMove chosen = list[best];
  list[best] = list[ps.nextIndex];
  list[ps.nextIndex++] = chosen;
  return chosen.move;
}

Move pickInOrder(Worker& pos, PickState& ps) {
  return ps.nextIndex < ps.endIndex ? pos.moveList[ps.nextIndex++].move : MOVE_NONE;
}

void takeList(Worker& pos, PickState& ps) {
  ps.nextIndex = pos.listStart[pos.ply];
  ps.endIndex = listEnd(pos);
}

int historyScore(const Worker& pos, int select, Move move) {
  return historyValue(pos.engine->history, select, moveTo(move), pos.board[moveFrom(move)]);
}

void sortList(Worker& pos, int begin, int end) { sortByScore(pos.moveList + begin, pos.moveList + end); }

bool isKiller(const Position& pos, Move move) {
  return sameMove(move, pos.killers[pos.ply][0]) || sameMove(move, pos.killers[pos.ply][1]);
}

bool triedEarly(const PickState& ps, Move move) {
  return sameMove(move, ps.hashMove) || (ps.altMove != MOVE_NONE && sameMove(move, ps.altMove));
}

// The line piece of `colour` that sees `square` from direction `dir`, if any, is a
// slider moving along that line.
bool lineSliderBehind(const Position& pos, int square, int dir, int colour) {
  const int behind = firstManInDirection(pos, square, dir);
  if (behind == NO_SQUARE) return false;
  const int code = pos.board[behind];
  if (colourOfCode(code) != colour) return false;
  const int type = typeOfCode(code);
  return type == QUEEN || type == (dir >= 4 ? BISHOP : ROOK);
}

}  // namespace

void sortByScore(ScoredMove* begin, ScoredMove* end) {
  if (begin == end) return;
  for (ScoredMove* i = begin + 1; i < end; ++i) {
    const ScoredMove item = *i;
    ScoredMove* j = i;
    while (j > begin && (j - 1)->score < item.score) {
      *j = *(j - 1);
      --j;
    }
    *j = item;
  }
}

void pickStart(Worker& pos, int stage, Move hashMove, int select, int gainLimit) {
  PickState& ps = pos.pickState[pos.ply];
  ps.stage = stage;
  ps.hashMove = hashMove != MOVE_NONE && isMovePseudoLegal(pos, hashMove) ? hashMove : MOVE_NONE;
  ps.historySelect = select;
  ps.gainLimit = gainLimit;
  ps.deferredCount = ps.deferredIndex = 0;
  ps.nextIndex = ps.endIndex = 0;
  if (ps.altMove != MOVE_NONE && (sameMove(ps.altMove, ps.hashMove) || !isMovePseudoLegal(pos, ps.altMove))) {
    ps.altMove = MOVE_NONE;
  }
}

int pickEvasions(Worker& pos, Move hashMove, int historySelect) {
  PickState& ps = pos.pickState[pos.ply];
  ps.stage = PICK_EVASIONS;
  ps.hashMove = hashMove;
  ps.deferredCount = ps.deferredIndex = 0;
  generateEvasions(pos, ~Bitboard{0});
  takeList(pos, ps);
  const int count = ps.endIndex - ps.nextIndex;
  if (count > 1) {
    for (int i = ps.nextIndex; i < ps.endIndex; ++i) {
      const Move move = pos.moveList[i].move;
      int score;
      if (sameMove(move, hashMove)) {
        score = ORDER_HASH;
      } else if (move & FLAG_CAPTURE) {
        score = ORDER_CAPTURE - typeOfCode(pos.board[moveTo(move)]);
      } else if (sameMove(move, pos.killers[pos.ply][0])) {
        score = ORDER_KILLER1;
      } else if (sameMove(move, pos.killers[pos.ply][1])) {
        score = ORDER_KILLER2;
      } else {
        score = historyScore(pos, historySelect, move);
      }
      pos.moveList[i].score = score;
    }
    sortList(pos, ps.nextIndex, ps.endIndex);
  }
  return count;
}

Move nextMove(Worker& pos) {
  EngineCore& engine = *pos.engine;
  PickState& ps = pos.pickState[pos.ply];
  for (;;) {
    switch (ps.stage) {
      case PICK_EVASIONS:
        return pickInOrder(pos, ps);
      case PICK_HASH:
      case PICK_FUTILE_HASH:
      case PICK_GAIN_HASH:
        ++ps.stage;
        if (ps.hashMove != MOVE_NONE) return ps.hashMove;
        break;
      case PICK_ALT:
        ++ps.stage;
        if (ps.altMove != MOVE_NONE) return ps.altMove;
        break;
      case PICK_GEN_CAPTURES:
        generateCaptures(pos, pos.colourBB[pos.xside], false);
        takeList(pos, ps);
        ps.stage = PICK_CAPTURES;
        break;
      case PICK_CAPTURES: {
        const Move move = pickBest(pos, ps);
        if (move == MOVE_NONE) {
          ps.stage = PICK_KILLER1;
          break;
        }
        if (triedEarly(ps, move)) break;
        // A losing capture waits until the quiet moves are done (while room lasts).
        if (ps.deferredCount < MAX_DEFERRED && !captureIsSafe(pos, move)) {
          ps.deferred[ps.deferredCount++] = move;
          break;
        }
        return move;
      }
      case PICK_KILLER1:
      case PICK_KILLER2: {
        const Move killer = pos.killers[pos.ply][ps.stage - PICK_KILLER1];
        ++ps.stage;
        if (killer != MOVE_NONE && !triedEarly(ps, killer) && isMovePlayable(pos, killer)) return killer;
        break;
      }
      case PICK_GEN_QUIETS:
        generateQuiets(pos);
        takeList(pos, ps);
        for (int i = ps.nextIndex; i < ps.endIndex; ++i) {
          pos.moveList[i].score = historyScore(pos, ps.historySelect, pos.moveList[i].move);
        }
        sortList(pos, ps.nextIndex, ps.endIndex);
        ps.stage = PICK_QUIETS;
        break;
      case PICK_QUIETS: {
        const Move move = pickInOrder(pos, ps);
        if (move == MOVE_NONE) {
          ps.stage = PICK_DEFERRED;
          break;
        }
        if (triedEarly(ps, move) || isKiller(pos, move)) break;
        return move;
      }
      case PICK_DEFERRED:
        if (ps.deferredIndex < ps.deferredCount) return ps.deferred[ps.deferredIndex++];
        ps.stage = PICK_DONE;
        break;
      case PICK_FUTILE_CAPTURES:
      case PICK_GAIN_CAPTURES: {
        if (ps.endIndex == 0) {
          // Futile nodes with strictCaptures leave pawns for the check stage.
          Bitboard targets = pos.colourBB[pos.xside];
          if (ps.stage == PICK_FUTILE_CAPTURES && ps.historySelect) targets &= ~pos.pieceBB[pos.xside][PAWN];
          generateCaptures(pos, targets, false);
          takeList(pos, ps);
        }
        const Move move = pickBest(pos, ps);
        if (move == MOVE_NONE) {
          ps.endIndex = 0;
          ++ps.stage;
          const Bitboard extra =
              ps.stage == PICK_FUTILE_CHECKS && ps.historySelect ? pos.pieceBB[pos.xside][PAWN] : Bitboard{0};
          generateChecks(pos, extra, MOVE_NONE, MOVE_NONE);
          takeList(pos, ps);
          break;
        }
        if (!sameMove(move, ps.hashMove)) return move;
        break;
      }
      case PICK_FUTILE_CHECKS:
      case PICK_GAIN_CHECKS: {
        const Move move = pickInOrder(pos, ps);
        if (move == MOVE_NONE) {
          if (ps.stage == PICK_FUTILE_CHECKS) {
            ps.stage = PICK_DONE;
          } else {
            generateQuietsByGain(pos, *engine.evalData.gains, ps.gainLimit);
            takeList(pos, ps);
            ps.stage = PICK_GAIN_QUIETS;
          }
          break;
        }
        if (!sameMove(move, ps.hashMove)) return move;
        break;
      }
      case PICK_GAIN_QUIETS: {
        const Move move = pickInOrder(pos, ps);
        if (move == MOVE_NONE) {
          ps.stage = PICK_DONE;
          break;
        }
        if (!sameMove(move, ps.hashMove)) return move;
        break;
      }
      default:
        return MOVE_NONE;
    }
  }
}

bool mayGiveCheck(const Position& pos, Move move) { return givesDirectCheck(pos, move) || givesDiscoveredCheck(pos, move); }

bool givesDirectCheck(const Position& pos, Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int king = pos.kingSquare[pos.xside];
  const int type = movePromotion(move) ? movePromotion(move) : typeOfCode(pos.board[from]);
  // Direct check from the destination, with the from-square vacated.
  const Bitboard occupied = (pos.occupied & squareClear[from]) | squareBit[to];
  switch (type) {
    case PAWN:
      if (pawnAttackers[pos.side][king] & squareBit[to]) return true;
      break;
    case KNIGHT:
      if (knightAttacks[to] & squareBit[king]) return true;
      break;
    case BISHOP:
    case ROOK:
    case QUEEN: {
      const int dir = direction[to][king];
      const bool slides = dir >= 0 && (type == QUEEN || (type == BISHOP) == (dir >= 4));
      if (slides && (ray[to][dir] & ray[king][dir ^ 1] & occupied) == 0) return true;
      break;
    }
    default:
      break;
  }
  return false;
}

bool givesDiscoveredCheck(const Position& pos, Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int king = pos.kingSquare[pos.xside];
  const int dir = direction[king][from];
  if (dir < 0 || direction[king][to] == dir) return false;
  if ((ray[king][dir] & ray[from][dir ^ 1] & pos.occupied) != 0) return false;
  return lineSliderBehind(pos, from, dir, pos.side);
}

bool passedPawnTest(const Position& pos, int square, int colour) {
  const int enemy = colour ^ 1;
  const int file = fileOf(square), rank = rankOf(square);
  const int ahead = colour == WHITE ? 1 : -1;
  // Ranks ahead of the pawn, and ranks two or more ahead, as pawnRanks bit masks.
  const unsigned aheadMask = colour == WHITE ? (0xFFu << (rank + 1)) & 0xFF : (1u << rank) - 1;
  const unsigned farMask = colour == WHITE ? (0xFFu << (rank + 2)) & 0xFF : rank >= 1 ? (1u << (rank - 1)) - 1 : 0;
  const std::uint8_t* enemyRanks = pos.pawnRanks[enemy];
  if ((enemyRanks[file + 1] & aheadMask) != 0) return false;
  if (((enemyRanks[file] | enemyRanks[file + 2]) & farMask) != 0) return false;
  const int front = rank + ahead, back = rank - ahead;
  int attackers = 0, defenders = 0;
  for (int side = -1; side <= 1; side += 2) {
    const int f = file + side;
    if (f < 0 || f > 7) continue;
    if (front >= 0 && front <= 7 && (enemyRanks[f + 1] >> front & 1)) ++attackers;
    if (back >= 0 && back <= 7 && (pos.pawnRanks[colour][f + 1] >> back & 1)) ++defenders;
  }
  if (attackers == 0) return true;
  if (defenders == 0) return false;
  return attackers < 2 || defenders == 2;
}

}  // namespace velt
