// Replaying the games of a PGN file for the programs that fit the engine's data to game
// results: every position of every game, with the move played from it and the result.
#pragma once

#include <functional>
#include <string_view>

#include "search/worker.h"

namespace velt {

// One position of a game, before `move` is made on it; `result` is white's (1 won,
// 0.5 drawn, 0 lost), `game` numbers the games across files, from 0, and `comment` is
// the text of the {comment} that follows the move in the file (the game driver's
// score, depth and time), empty when none does.
struct GameMoment {
  Worker& pos;
  Move move;
  double result;
  int game;
  std::string_view comment;
};
using GameVisitor = std::function<void(const GameMoment& moment)>;

// Calls the visitor on every position of the file's games that were decided on the
// board or adjudicated from the score (those that ended by a time forfeit, an illegal
// move or a crash say nothing of the position and are skipped). `pos` must belong to
// an engine record with its tables built; `games` counts on across calls. False when
// the file cannot be read.
bool replayGames(Worker& pos, const char* path, int& games, const GameVisitor& visit);

}  // namespace velt
