// The result check of both protocols.
#include "search/worker.h"
#include "shell/result.h"

#include <cstring>

#include "board/position.h"
#include "search/tt.h"
#include "shell/engine.h"
#include "shell/game_state.h"

namespace velt {

std::string resultLine(GameOutcome outcome, int matedSide, int engineSide) {
  switch (outcome) {
    case GameOutcome::PLAYING: return "";
    case GameOutcome::CHECKMATE: {
      const char* comment = matedSide == engineSide         ? "You win"
                            : (matedSide ^ 1) == engineSide ? "Computer wins"
                            : matedSide == WHITE            ? "Black wins"
                                                            : "White wins";
      return std::string(matedSide == WHITE ? "0-1" : "1-0") + " {" + comment + "}";
    }
    case GameOutcome::STALEMATE: return "1/2-1/2 {Stalemate}";
    case GameOutcome::REPETITION: return "1/2-1/2 {Draw by repetition}";
    case GameOutcome::FIFTY_MOVES: return "1/2-1/2 {Draw by fifty move rule}";
    case GameOutcome::INSUFFICIENT_MATERIAL: return "1/2-1/2 {Insufficient material}";
  }
  return "";
}

void checkGameResult(Engine& engine) {
  Worker& pos = engine.gamePosition;
  pos.ply = 0;
  const GameOutcome outcome = gameOutcome(pos, engine.tt.recentRootScores[0]);
  if (outcome == GameOutcome::PLAYING) return;
  print(engine.out, "%s\n", resultLine(outcome, pos.side, engine.game.engineSide).c_str());
  if (!endsGame(outcome)) return;
  engine.game.gameOver = true;
  if (outcome == GameOutcome::CHECKMATE && pos.gamePly > 0) {
    if (char* plus = std::strchr(engine.game.moveHistory[pos.gamePly - 1], '+')) *plus = '#';
  }
}

}  // namespace velt
