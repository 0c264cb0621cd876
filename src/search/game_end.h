// The end of a game: mate, stalemate, repetition, the fifty-move rule and
// insufficient material, as the game driver tests after every move.
#pragma once

#include "eval/evaluate.h"

namespace velt {

// What the game-end test found.
struct GameEnd {
  const char* line;  // the result line ("1-0 {Computer wins}"), nullptr while the game goes on
  bool over;         // set for everything but insufficient material, which plays on
  bool mate;         // the last move's "+" becomes "#"
};

// The game-end test of the game driver, run with ply 0 after every move of the game.
// engineSide is the engine's colour (NO_PIECE when none) and lastScore the score of
// the last search (a new game starts with MATE_SCORE, which holds back the
// insufficient-material verdict). Evaluates the root and tries the moves on `pos`,
// which it leaves as it found it.
GameEnd gameEndResult(EvalPosition& pos, int engineSide, int lastScore);

}  // namespace velt
