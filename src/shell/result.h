// The result check that runs after every move of the game.
#pragma once

#include "board/position.h"

enum class GameEnd { NONE, CHECKMATE, STALEMATE, REPETITION, FIFTY_MOVES, INSUFFICIENT_MATERIAL };

// How the game stands in this position by the rules alone: mate, stalemate, a third
// occurrence, 100 plies without capture or pawn move, or too little material to mate.
GameEnd gameEndState(Position& pos);
// Bare kings, three men, or one bishop each on squares of the same colour.
bool insufficientMaterial(const Position& pos);

// The result line for the game position with the engine playing engineSide, or
// nullptr when the game goes on. The insufficient-material line is given only while
// the last search score is not a mate score; it does not end the game.
const char* resultLine(GameEnd state, const Position& pos, int engineSide, int lastScore);

// Prints the result line of the game position, if any, and sets gameOver for every
// result but insufficient material; at mate the "+" of the last move becomes "#".
void checkGameResult();
