// The rules of the game around the move generators: the end of a game (mate,
// stalemate, repetition, the fifty-move rule, insufficient material), the drawn
// endings the search recognises, and two quick tests for the search.
#pragma once

#include "board/position.h"

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
GameEnd gameEndResult(Position& pos, int engineSide, int lastScore);

// Whether a position of five or fewer men is a known draw: bare minor pieces, king and
// pawn against king, the wrong rook-pawn bishop, and king, bishop and pawn against
// king and bishop of the other colour.
bool isRecognizedDraw(const Position& pos);

// Whether the man leaving the move's from square uncovers an attack of an own queen,
// rook or bishop on the enemy king.
bool isDiscoveredCheckMove(const Position& pos, Move move);

// Whether the side to move is in check and the evasion generator finds no move at all
// (a quick mate test; without legality tests a false answer proves nothing).
bool isCheckedWithoutEvasions(Position& pos);

}  // namespace velt
