// Set-up helpers shared by the evaluation term tests.
#pragma once

#include "board/bitboard.h"
#include "board/position.h"
#include "eval/eval_state.h"
#include "eval/pawns.h"

// Builds the board tables and the pawn hash once, then sets gamePosition up from `fen`.
Position& setUpEvalPosition(const char* fen);
// A fresh evaluation state for the position with the given material flags and
// its pawn entry probed; the attack maps of the ply hold pawn and king attacks.
EvalState freshEvalState(Position& pos, std::uint32_t materialFlags = 0);

#include <string>

// The colour-flipped FEN: ranks mirrored, colours swapped, side to move,
// castling rights and en-passant square mirrored.
std::string flipFen(const std::string& fen);
