// Game-end rules and the result lines of both protocols.
#include "shell/result.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/bitboard.h"
#include "board/makemove.h"
#include "search/tt.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"

namespace {

int squareColour(int square) { return (fileOf(square) + rankOf(square)) & 1; }

bool loneBishop(const Position& pos, int colour) {
  return pos.pieceCount[colour][BISHOP] == 1 && pos.pieceMaterial[colour] == pieceValue[BISHOP];
}

}  // namespace

bool insufficientMaterial(const Position& pos) {
  if (pos.pieceCount[WHITE][PAWN] + pos.pieceCount[BLACK][PAWN] > 0) return false;
  if (pos.pieceMaterial[WHITE] >= 500 || pos.pieceMaterial[BLACK] >= 500) return false;
  if (pos.menCount <= 3) return true;
  if (!loneBishop(pos, WHITE) || !loneBishop(pos, BLACK)) return false;
  const int whiteBishop = __builtin_ctzll(pos.pieceBB[WHITE][BISHOP]);
  const int blackBishop = __builtin_ctzll(pos.pieceBB[BLACK][BISHOP]);
  return squareColour(whiteBishop) == squareColour(blackBishop);
}

GameEnd gameEndState(Position& pos) {
  if (!hasLegalMove(pos)) {
    return inCheck(pos.checkInfo[pos.gamePly]) ? GameEnd::CHECKMATE : GameEnd::STALEMATE;
  }
  if (repetitionCount(pos) >= 2) return GameEnd::REPETITION;
  if (pos.rule50 >= 100) return GameEnd::FIFTY_MOVES;
  if (insufficientMaterial(pos)) return GameEnd::INSUFFICIENT_MATERIAL;
  return GameEnd::NONE;
}

const char* resultLine(GameEnd state, const Position& pos, int engineSide, int lastScore) {
  static char line[64];
  switch (state) {
    case GameEnd::CHECKMATE: {
      const int mated = pos.side;
      const char* text = mated == engineSide       ? "You win"
                         : (mated ^ 1) == engineSide ? "Computer wins"
                         : mated == WHITE            ? "Black wins"
                                                     : "White wins";
      std::snprintf(line, sizeof line, "%s {%s}", mated == WHITE ? "0-1" : "1-0", text);
      return line;
    }
    case GameEnd::STALEMATE: return "1/2-1/2 {Stalemate}";
    case GameEnd::REPETITION: return "1/2-1/2 {Draw by repetition}";
    case GameEnd::FIFTY_MOVES: return "1/2-1/2 {Draw by fifty move rule}";
    case GameEnd::INSUFFICIENT_MATERIAL:
      return std::abs(lastScore) < MATE_BOUND ? "1/2-1/2 {Insufficient material}" : nullptr;
    case GameEnd::NONE: break;
  }
  return nullptr;
}

void checkGameResult() {
  Position& pos = gamePosition;
  const GameEnd state = gameEndState(pos);
  const char* line = resultLine(state, pos, engineSide, recentRootScores[0]);
  if (line == nullptr) return;
  std::printf("%s\n", line);
  std::fflush(stdout);
  if (state == GameEnd::INSUFFICIENT_MATERIAL) return;
  gameOver = true;
  if (state == GameEnd::CHECKMATE && pos.gamePly > 0) {
    if (char* plus = std::strchr(moveHistory[pos.gamePly - 1], '+')) *plus = '#';
  }
}
