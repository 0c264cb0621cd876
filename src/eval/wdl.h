// The chances of a game's result from a score: win, draw and loss per mille for the
// side to move. The model is logistic in the score, with its two parameters chosen by
// the material on the board, fitted to game results by tools/fit_wdl.cpp, which
// writes them to eval/wdl_tables.cpp:
//   win = 1 / (1 + exp((offset - score) / spread)),
//   loss = 1 / (1 + exp((offset + score) / spread)), draw = the rest.
// A score and its negation give the same triple reversed, so the two sides' views agree.
#pragma once

#include "board/position.h"

namespace velt {

// The material that chooses the parameters: pawns 1, knights and bishops 3, rooks 5,
// queens 9, of both sides, at most that of the start position.
constexpr int WDL_MATERIAL_MAX = 78;
int wdlMaterial(const Position& pos);

// The parameters for one material count, in centipawns; the offset is never negative
// and the spread always positive.
struct WdlParameters {
  double offset;
  double spread;
};
extern const WdlParameters wdlTable[WDL_MATERIAL_MAX + 1];

// Per mille, summing to 1000.
struct WinDrawLoss {
  int win;
  int draw;
  int loss;
};

// Of a score from the side to move's view; mate and tablebase scores are certain.
WinDrawLoss winDrawLoss(const WdlParameters& parameters, int score);
WinDrawLoss winDrawLoss(int score, int material);

}  // namespace velt
