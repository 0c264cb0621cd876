// A move as the engine makes it: the men move, the new position is evaluated (which
// leaves its attack maps and learns the move's positional gain), and the maps decide
// whether the move was legal and gives check.
#pragma once

#include "board/makemove.h"
#include "eval/evaluate.h"

namespace velt {

// Makes `move` and evaluates the new position with the window (-beta, -alpha) of the
// side now to move. Returns 1, or 0 (position unchanged) when the move is illegal.
int makeMove(EvalPosition& pos, Move move, int alpha, int beta);
// As makeMove, but a move that leaves the own king attacked is made as well; only
// castling out of or through check returns 0.
int makeMoveUnchecked(EvalPosition& pos, Move move, int alpha, int beta);

// Whether a move the generators could produce here is legal: made and taken back.
bool isLegalMove(EvalPosition& pos, Move move);

// Reads a move in algebraic notation (see sanCandidates) into `move`. Returns false,
// leaving `move` alone, when the text names no legal move.
bool parseSanMove(EvalPosition& pos, const char* text, Move& move);

// Prepares the root of a search or of the game: evaluates with the widest window to
// fill attackMap[ply], then generates evasions when in check, all moves otherwise.
void prepareRoot(EvalPosition& pos);

}  // namespace velt
