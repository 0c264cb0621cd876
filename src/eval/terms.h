// The term groups that the evaluation driver calls, in the order it calls them. Each
// adds to the per-colour sums of the EvalState; all of them are mirrored for black.
#pragma once

#include "eval/eval_state.h"
#include "eval/evaluate.h"

namespace velt {

// Wrong bishop and rook pawn (material flag 0x10): whether the position is a dead draw;
// `material` is the material value in 1/32 centipawn, white's view.
bool isWrongBishopDraw(const Position& pos, int material);
// Pawn structure from the pawn hash (sets st.pawns) and the entry's pawn scores.
void addPawnTerms(EvalPosition& pos, EvalState& st);
// Knights, bishops, rooks, queens of white, then of black; each man ORs its attacks
// into attackMap[ply][its colour] (which hold the pawn and king attacks already) and
// adds its terms, threats and king-attack tallies.
void addPieceTerms(Position& pos, EvalState& st);
// Passed pawns; reads the complete attack maps.
void addPassedPawnTerms(const Position& pos, EvalState& st);
// King tables, shelter and king safety of both kings.
void addKingTerms(Position& pos, EvalState& st);
// Endgame rules switched by the material flags (opposite bishops, bishop and knight).
void addEndgameTerms(const Position& pos, EvalState& st);

}  // namespace velt
