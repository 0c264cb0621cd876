// The result check that runs after every move of the game, and the result lines.
#pragma once

#include <string>

#include "search/game_end.h"

namespace velt {

struct Engine;

// The result line of an outcome ("1-0 {Computer wins}"), "" while the game goes on.
// matedSide is the side to move at the end, engineSide the engine's colour (NO_PIECE
// when none): they name the winner of a mate.
std::string resultLine(GameOutcome outcome, int matedSide, int engineSide);

// Prints the result line of the game position, if any, with the engine's side and
// the last search score; sets gameOver for every result but insufficient material,
// and at mate turns the "+" of the last move's text into "#".
void checkGameResult(Engine& engine);

}  // namespace velt
