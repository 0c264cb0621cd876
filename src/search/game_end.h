// The end of a game: mate, stalemate, repetition, the fifty-move rule and
// insufficient material, as the game driver tests after every move.
#pragma once

#include "eval/evaluate.h"

namespace velt {

// What the game-end test found. At CHECKMATE the side to move is mated.
enum class GameOutcome { PLAYING, CHECKMATE, STALEMATE, REPETITION, FIFTY_MOVES, INSUFFICIENT_MATERIAL };

// Whether the outcome ends the game: insufficient material is announced, but the game
// plays on.
bool endsGame(GameOutcome outcome);

// The game-end test of the game driver, run with ply 0 after every move of the game.
// lastScore is the score of the last search (a new game starts with MATE_SCORE, which
// holds back the insufficient-material verdict). Evaluates the root and tries the
// moves on `pos`, which it leaves as it found it.
GameOutcome gameOutcome(EvalPosition& pos, int lastScore);

}  // namespace velt
