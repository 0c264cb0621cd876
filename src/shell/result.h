// The result check that runs after every move of the game.
#pragma once

namespace velt {

struct Engine;

// Prints the result line of the game position, if any, with the engine's side and
// the last search score; sets gameOver for every result but insufficient material,
// and at mate turns the "+" of the last move's text into "#".
void checkGameResult(Engine& engine);

}  // namespace velt
