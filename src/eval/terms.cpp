// The term groups of the evaluation, in the order the driver calls them.
#include "eval/terms.h"

#include "eval/endgame.h"
#include "eval/king_safety.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "eval/pieces.h"

namespace velt {

void addPawnTerms(EvalPosition& pos, EvalState& st) {
  st.pawns = probePawnHash(pos);
  st.mg[WHITE] += st.pawns->mgPawnScore;
  st.eg[WHITE] += st.pawns->egPawnScore;
}

void addPieceTerms(Position& pos, EvalState& st) { evaluatePieces(pos, st); }

void addPassedPawnTerms(const Position& pos, EvalState& st) { evaluatePassedPawns(pos, *st.pawns, st); }

void addKingTerms(Position& pos, EvalState& st) { evaluateKings(pos, st); }

void addEndgameTerms(const Position& pos, EvalState& st) {
  if (st.materialFlags & MATERIAL_BISHOPS_ONLY) {
    // Bishops of opposite colour: both whole sums halved, rounded toward zero.
    if (bishopsOfOppositeColour(pos)) {
      st.mg[WHITE] = (st.mg[WHITE] - st.mg[BLACK]) / 2;
      st.eg[WHITE] = (st.eg[WHITE] - st.eg[BLACK]) / 2;
      st.mg[BLACK] = st.eg[BLACK] = 0;
    }
  } else if (st.materialFlags & MATERIAL_BISHOP_KNIGHT) {
    st.eg[WHITE] += bishopKnightMateTerm(pos, st, st.eg[WHITE] - st.eg[BLACK]);
  }
}

}  // namespace velt
