// Legal moves and the game record.
#include "search/worker.h"
#include "shell/game_moves.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "board/coordinate.h"
#include "board/movegen.h"
#include "board/san.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"
#include "shell/engine.h"
#include "shell/game_state.h"

namespace velt {
namespace {

// A move made by the game level rather than the search, leaving the gain statistics alone.
bool makeUntaughtMove(Worker& pos, Move move) {
  pos.learnsGains = false;
  const bool made = makeMove(pos, move, -MATE_SCORE, MATE_SCORE) != 0;
  pos.learnsGains = true;
  return made;
}

}  // namespace

int collectLegalMoves(Worker& pos, Move* moves) {
  // The generators add bishop promotions only for analysis; a user may play them.
  const bool savedBishopPromotions = pos.bishopPromotions;
  pos.bishopPromotions = true;
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
  } else {
    generateAllMoves(pos);
  }
  pos.bishopPromotions = savedBishopPromotions;
  int count = 0;
  const int end = pos.listStart[pos.ply + 1];
  for (int i = pos.listStart[pos.ply]; i < end && count < MAX_LEGAL_MOVES; ++i) {
    const Move move = pos.moveList[i].move;
    if (!makeUntaughtMove(pos, move)) continue;
    unmakeMove(pos);
    moves[count++] = move;
  }
  return count;
}

Move findLegalMove(Worker& pos, int from, int to, char promotionLetter) {
  int promotion = QUEEN;
  switch (promotionLetter) {
    case 'n': case 'N': promotion = KNIGHT; break;
    case 'b': case 'B': promotion = BISHOP; break;
    case 'r': case 'R': promotion = ROOK; break;
    default: break;
  }
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  for (int i = 0; i < count; ++i) {
    const Move move = moves[i];
    if (moveFrom(move) != from || moveTo(move) != to) continue;
    if ((move & FLAG_PROMOTION) && movePromotion(move) != promotion) continue;
    return move;
  }
  return MOVE_NONE;
}

Move legalMoveFromText(Worker& pos, const char* text) {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  Move parsed = MOVE_NONE;
  if (parseMoveText(pos, text, parsed)) {
    for (int i = 0; i < count; ++i) {
      if (moves[i] == parsed) return parsed;
    }
  }
  std::string wanted(text);
  while (!wanted.empty() && (wanted.back() == '+' || wanted.back() == '#')) wanted.pop_back();
  for (int i = 0; i < count; ++i) {
    if (wanted == moveToSan(pos, moves[i])) return moves[i];
  }
  return MOVE_NONE;
}

void prepareGameRoot(Engine& engine) {
  Worker& pos = engine.gamePosition;
  pos.ply = 0;
  evaluate(pos, NO_WINDOW, MATE_SCORE);
}

bool makeGameMove(Engine& engine, Move move) {
  Worker& pos = engine.gamePosition;
  pos.ply = 0;
  if (pos.gamePly >= MAX_RECORDED_PLY) return false;
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  bool legal = false;
  for (int i = 0; i < count && !legal; ++i) legal = moves[i] == move;
  if (!legal) return false;
  char text[MOVE_TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s", moveToSan(pos, move).c_str());
  makeUntaughtMove(pos, move);
  if (inCheck(pos.checkInfo[pos.gamePly]) && std::strlen(text) + 1 < sizeof text) std::strcat(text, "+");
  std::memcpy(engine.game.moveHistory[pos.gamePly - 1], text, sizeof text);
  prepareGameRoot(engine);
  return true;
}

void takeBackGameMove(Engine& engine) {
  Worker& pos = engine.gamePosition;
  if (pos.gamePly == 0) return;
  pos.ply = 1;
  unmakeMove(pos);
  prepareGameRoot(engine);
}

}  // namespace velt
