// The chances of a game's result from a score: win, draw and loss per mille for the
// side to move. The model is logistic in the score, with its two parameters chosen by
// the material on the board, fitted to game results by tools/fit_wdl.cpp, which
// writes them to eval/wdl_tables.cpp:
//   win = 1 / (1 + exp((offset - score) / spread)),
//   loss = 1 / (1 + exp((offset + score) / spread)), draw = the rest.
// A score of exactly 0 is the engine's draw score (a repetition or fifty-move draw the
// search found, an ending the evaluation knows as drawn), and such games end drawn far
// more often than the curve through the scores around it says: 0 has a draw chance of
// its own, fitted by material beside the two parameters, and the rest is shared evenly
// between win and loss.
// A score and its negation give the same triple reversed, so the two sides' views agree.
// Over the scores other than 0 the win never falls and the loss never rises as the
// score grows. At 0 the win is no more than at any positive score and the loss no more
// than at any negative one (the fit keeps the draw chance of 0 at least the curve's),
// so win - loss never falls through 0 either; but -1, an unclear position, may show
// more win than 0, a drawn one.
#pragma once

#include "board/position.h"

namespace velt {

// The material that chooses the parameters: pawns 1, knights and bishops 3, rooks 5,
// queens 9, of both sides, at most that of the start position.
constexpr int WDL_MATERIAL_MAX = 78;
int wdlMaterial(const Position& pos);

// The parameters for one material count: offset and spread in centipawns, the offset
// never negative and the spread always positive; the draw chance of a score of 0, from
// 0 to 1.
struct WdlParameters {
  double offset;
  double spread;
  double drawAtZero;
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
