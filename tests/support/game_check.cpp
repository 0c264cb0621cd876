// Legality checks of engine output against the engine's own move generation.
#include "support/game_check.h"

#include "board/fen.h"
#include "board/position.h"
#include "search/worker.h"
#include "shell/app.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"

namespace velt {

GameCheck::GameCheck(const std::string& fen) {
  initApp(engine_);
  startGame(engine_, fen.c_str(), false);
}

bool GameCheck::isLegal(const std::string& text) {
  return legalMoveFromText(engine_.gamePosition, text.c_str()) != MOVE_NONE;
}

std::string GameCheck::fen() {
  char text[FEN_TEXT_SIZE];
  positionToFen(engine_.gamePosition, text);
  return text;
}

bool GameCheck::play(const std::string& text) {
  const Move move = legalMoveFromText(engine_.gamePosition, text.c_str());
  return move != MOVE_NONE && makeGameMove(engine_, move);
}

}  // namespace velt
