// Moves on the game position: the legal moves, and making and taking back the moves
// of the game together with their record text.
#pragma once

#include "board/position.h"
#include "search/worker.h"

namespace velt {

struct Engine;

constexpr int MAX_LEGAL_MOVES = 256;
// The game record stops here, leaving room for the result check's trial moves. The
// engine itself stops thinking after 735 plies, so its searches always fit.
constexpr int MAX_RECORDED_PLY = MAX_GAME_PLY - 8;

// Every legal move of the position at its current ply, under-promotions included;
// returns their number. The position's own move list is used as scratch.
int collectLegalMoves(Worker& pos, Move* moves);
// The legal move with these squares; for a promotion the letter chooses the piece
// ("n", "b", "r" in either case; anything else a queen). MOVE_NONE when there is none.
Move findLegalMove(Worker& pos, int from, int to, char promotionLetter);

// Makes a legal move on the game position at search ply 0 and records its algebraic
// text (with "+" when it gives check) in moveHistory. False, changing nothing, when
// the move is not legal here or the record is full.
bool makeGameMove(Engine& engine, Move move);
// Takes back the last game move.
void takeBackGameMove(Engine& engine);
// Evaluates the game position at ply 0 so that its attack maps are current.
void prepareGameRoot(Engine& engine);
// The legal move a protocol text names: coordinate notation (e2e4, e7e8q, O-O) or
// the algebraic text this engine writes (Nf3, exd8=Q+, O-O-O#). MOVE_NONE otherwise.
Move legalMoveFromText(Worker& pos, const char* text);

}  // namespace velt
