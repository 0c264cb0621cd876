// The fit of the material table's base imbalance grid to game results, as
// tools/tune_imbalance runs it and its tests check it.
//
// Every quiet position of the games (not in check, the game's next move neither a
// capture nor a promotion, past the opening) gives one sample: its configuration of
// pieces, its two pawn counts, the engine's own static evaluation and the game's
// result. The result is modelled as a logistic function of the evaluation plus the
// grid value of the position (a Texel-style fit). The grid value is modelled as
//   shared terms + base + slopeWhite * wP / 4 + slopeBlack * bP / 4 + cell(wP, bP)
// The shared terms hold for every configuration (piece values, their change with the
// own pawns, the bishop pair); base and slopes are what a configuration adds of its
// own (the record tier), the cells what a pawn count adds (the block tier). Both are
// shrunk towards zero, the cells most, so that a configuration the games rarely show
// keeps the shared value and only well-populated ones get values of their own. A
// configuration and its colour reversal share their parameters (negated, pawn counts
// exchanged), so the grid is colour-symmetric by construction. The bishop-against-
// knight blocks are fixed data and are not fitted.
#pragma once

#include <array>
#include <vector>

#include "eval/material.h"
#include "search/worker.h"

namespace velt {

constexpr int PAWN_COUNTS = 9;
constexpr int PIECE_CONFIGURATIONS = 2916;  // grid piece index range
constexpr int GRID_CELLS = PIECE_CONFIGURATIONS * PAWN_COUNTS * PAWN_COUNTS;
constexpr double GRID_UNITS = 32.0;  // grid values are in 1/32 centipawn

// A grid cell: the configuration and the pawn counts, laid out as the engine's grid.
constexpr int gridCell(int piece, int whitePawns, int blackPawns) {
  return piece + PIECE_CONFIGURATIONS * (whitePawns + PAWN_COUNTS * blackPawns);
}
constexpr int cellPiece(int cell) { return cell % PIECE_CONFIGURATIONS; }
constexpr int cellWhitePawns(int cell) { return cell / PIECE_CONFIGURATIONS % PAWN_COUNTS; }
constexpr int cellBlackPawns(int cell) { return cell / PIECE_CONFIGURATIONS / PAWN_COUNTS; }

// The same configuration with the colours exchanged.
int reversedPiece(int piece);

// The telling blocks, a white bishop against a black knight and nothing else and its
// colour reversal: fixed data, never fitted, written first.
std::array<ImbalanceBlock, 2> tellingBlocks();
bool isTellingPiece(int piece);

struct ImbalanceSample {
  int cell;
  float eval;    // white's view, centipawns, with only the telling blocks' data
  float result;  // 1 white won, 0.5 draw, 0 black won
  int game;
  int source;  // the file it came from: each file's games get a scale of their own
};

// Adds the quiet positions of one file's games, marked with `source`; `games` numbers
// the games across files. `pos` belongs to an engine record whose material table holds
// the telling blocks alone. False when the file cannot be read.
bool readImbalanceSamples(Worker& pos, const char* path, int source, int& games,
                          std::vector<ImbalanceSample>& samples);

// The model variant: 1 the shared terms only, 2 also each configuration's base and
// slopes, 3 also its cells; `shrink` scales every prior spread (below 1: stronger
// shrinkage).
struct FitSettings {
  int tiers = 3;
  double shrink = 1.0;
};

constexpr int SHARED_TERMS = 11;

// Own parameters of one configuration class, held by its canonical member (the
// smaller piece index of the configuration and its reversal): what the class adds
// to the shared terms.
struct ClassParameters {
  double base = 0, slopeWhite = 0, slopeBlack = 0;
  double cell[PAWN_COUNTS][PAWN_COUNTS] = {};
};

struct ImbalanceModel {
  double shared[SHARED_TERMS] = {};
  std::vector<ClassParameters> params = std::vector<ClassParameters>(PIECE_CONFIGURATIONS);

  // Value (centipawns) of any configuration; without cells it is linear in the pawn
  // counts.
  double value(int piece, int whitePawns, int blackPawns, bool cells = true) const;
};

// Scale of the evaluation in the logistic model, per source: how sure a result an
// evaluation means depends on who played the games and how fast.
using Scales = std::vector<double>;
Scales fitScales(const std::vector<ImbalanceSample>& samples, int sources);

// Maximum a-posteriori fit: logistic loss plus Gaussian priors of the tiers' spreads.
// Parameters of tiers not fitted stay 0.
ImbalanceModel fitImbalance(const std::vector<ImbalanceSample>& samples, const Scales& scales,
                            const FitSettings& settings);

// The model as the engine's tables: the telling blocks, then a full block for every
// configuration whose cells differ markedly from its record's base and slopes (or
// whose record would leave the grid's range), and a record for every other one that
// is not zero. Cells of a queen or rook against a bare king stay 0.
struct ImbalanceTables {
  std::vector<ImbalanceBlock> blocks;
  std::vector<ImbalanceRecord> records;
  ImbalanceData data() const {
    return {blocks.data(), static_cast<int>(blocks.size()), records.data(), static_cast<int>(records.size())};
  }
};
ImbalanceTables imbalanceTables(const ImbalanceModel& model);

// Every cell's value (1/32 centipawn) of tables, as the engine reads them: a block
// overrides a record, an unlisted configuration is 0.
std::vector<int> gridOf(const ImbalanceData& data);

// Mean logistic loss of the samples with the grid's values added to their
// evaluation; the telling configurations are in the evaluation already.
double meanLoss(const std::vector<ImbalanceSample>& samples, const std::vector<int>& grid, const Scales& scales);

}  // namespace velt
