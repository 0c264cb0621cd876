#include "common/imbalance_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "board/bitboard.h"
#include "common/pgn_games.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"

namespace velt {

namespace {

constexpr int FIRST_SAMPLE_PLY = 16;  // the opening lines are not the engine's play
constexpr int GRID_LIMIT = 8192;      // no configuration is worth more than 2.56 pawns extra
// Prior spreads (centipawns): the shared terms are free; what a configuration adds
// of its own is shrunk, its per-cell corrections most, so that a configuration the
// games rarely show keeps the shared value and only well-populated ones get cells.
constexpr double SHARED_SPREAD = 200.0;
constexpr double BASE_SPREAD = 4.0;
constexpr double SLOPE_SPREAD = 4.0;
constexpr double CELL_SPREAD = 1.0;
// A configuration whose cells differ this much (1/32 centipawn) from its record's
// base and slopes is written as a full block.
constexpr int BLOCK_MIN_DEVIATION = 160;
constexpr int OPTIMISER_STEPS = 3000;

// The telling blocks: a white bishop against a black knight and nothing else, first
// two rows and the two values of the third that the reversed block's rows imply.
constexpr int BISHOP_KNIGHT = 1008;
constexpr int KNIGHT_BISHOP = 432;
constexpr std::int16_t bishopKnightRows[3][PAWN_COUNTS] = {
    {0, 2766, 1161, 1455, 1749, 2043, 2337, 2631, 2925},
    {-2502, 120, 777, 1071, 1365, 1659, 1953, 2247, 2541},
    {-195, 99, 0, 0, 0, 0, 0, 0, 0},
};

// Grid piece index of the counts; -1 when the grid has no digit for them (a third
// man, or a second queen).
int gridPiece(const Position& pos) {
  static constexpr int weight[2][5] = {{0, 324, 36, 4, 1}, {0, 972, 108, 12, 2}};
  int piece = 0;
  for (int c = WHITE; c <= BLACK; ++c) {
    for (int type = KNIGHT; type <= QUEEN; ++type) {
      const int count = pos.pieceCount[c][type];
      if (count > (type == QUEEN ? 1 : 2)) return -1;
      piece += weight[c][type] * count;
    }
  }
  return piece;
}

// Men of one configuration: count[colour][type] for knight .. queen.
struct Men {
  int count[2][5] = {};
};

Men menOf(int piece) {
  Men m;
  m.count[WHITE][QUEEN] = piece % 2;
  m.count[BLACK][QUEEN] = piece / 2 % 2;
  m.count[WHITE][ROOK] = piece / 4 % 3;
  m.count[BLACK][ROOK] = piece / 12 % 3;
  m.count[WHITE][BISHOP] = piece / 36 % 3;
  m.count[BLACK][BISHOP] = piece / 108 % 3;
  m.count[WHITE][KNIGHT] = piece / 324 % 3;
  m.count[BLACK][KNIGHT] = piece / 972 % 3;
  return m;
}

double whiteEval(Worker& pos) {
  pos.ply = 0;
  const int score = evaluate(pos, NO_WINDOW, MATE_SCORE);
  return pos.side == WHITE ? score : -score;
}

// Terms shared by all configurations, each white's minus black's so that colour
// reversal negates them: a correction of each piece's value, the same per own pawn
// (knights gain with pawns, rooks lose), the bishop pair and the same per own pawn
// (the pair's worth is commonly held to fall as pawns block the bishops), and a
// pawn's value.
void sharedTerms(int piece, int w, int b, double terms[SHARED_TERMS]) {
  const Men m = menOf(piece);
  const int pawns[2] = {w, b};
  int t = 0;
  for (int type = KNIGHT; type <= QUEEN; ++type) {
    terms[t++] = m.count[WHITE][type] - m.count[BLACK][type];
    terms[t++] = (m.count[WHITE][type] * pawns[WHITE] - m.count[BLACK][type] * pawns[BLACK]) / 8.0;
  }
  terms[t++] = (m.count[WHITE][BISHOP] == 2) - (m.count[BLACK][BISHOP] == 2);
  terms[t++] = ((m.count[WHITE][BISHOP] == 2) * pawns[WHITE] - (m.count[BLACK][BISHOP] == 2) * pawns[BLACK]) / 8.0;
  terms[t++] = w - b;
}

// Value (centipawns) of the canonical configuration's own part.
double own(const ClassParameters& p, int w, int b, bool cells) {
  return p.base + p.slopeWhite * w / 4 + p.slopeBlack * b / 4 + (cells ? p.cell[w][b] : 0);
}

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

double logLoss(double probability, double result) {
  constexpr double FLOOR = 1e-12;
  return -(result * std::log(probability + FLOOR) + (1 - result) * std::log(1 - probability + FLOOR));
}

// The largest grid value a cell may hold: the table entry adds the option term (at
// most 100 centipawns per piece of difference in minors or majors) and the balance
// term (199 per pawn unit at the default importance) and must stay within 16 bits.
int cellLimit(int piece, int w, int b) {
  constexpr int ENTRY_LIMIT = 32767, OPTION_LIMIT = 3200, BALANCE_WEIGHT = 199;
  const Men m = menOf(piece);
  const int minors = m.count[WHITE][KNIGHT] + m.count[WHITE][BISHOP] - m.count[BLACK][KNIGHT] - m.count[BLACK][BISHOP];
  const int majors = m.count[WHITE][ROOK] + 2 * m.count[WHITE][QUEEN] - m.count[BLACK][ROOK] - 2 * m.count[BLACK][QUEEN];
  const int balance = 3 * minors + 5 * majors + w - b;
  const int limit = ENTRY_LIMIT - OPTION_LIMIT * std::max({std::abs(minors), std::abs(majors), 1}) -
                    BALANCE_WEIGHT * std::abs(balance);
  return std::min(limit, GRID_LIMIT);
}

// A side with its king alone against a queen or a rook: every such game is won, so
// the games cannot tell what the grid should add, and the endgame knowledge and the
// decided-position search judge those positions: the grid adds nothing there. (Pawns
// or minor pieces alone against a bare king draw often enough to be fitted.)
bool majorAgainstBareKing(int piece, int w, int b) {
  const Men m = menOf(piece);
  const int pawns[2] = {w, b};
  for (int colour = WHITE; colour <= BLACK; ++colour) {
    int men = pawns[colour];
    for (int type = KNIGHT; type <= QUEEN; ++type) men += m.count[colour][type];
    const int opponent = colour ^ 1;
    if (men == 0 && m.count[opponent][ROOK] + m.count[opponent][QUEEN] > 0) return true;
  }
  return false;
}

int clampGrid(double value, int limit = GRID_LIMIT) {
  const long rounded = std::lround(GRID_UNITS * value);
  return static_cast<int>(rounded > limit ? limit : rounded < -limit ? -limit : rounded);
}

}  // namespace

int reversedPiece(int piece) {
  const Men m = menOf(piece);
  return m.count[BLACK][QUEEN] + 2 * m.count[WHITE][QUEEN] + 4 * m.count[BLACK][ROOK] + 12 * m.count[WHITE][ROOK] +
         36 * m.count[BLACK][BISHOP] + 108 * m.count[WHITE][BISHOP] + 324 * m.count[BLACK][KNIGHT] +
         972 * m.count[WHITE][KNIGHT];
}

std::array<ImbalanceBlock, 2> tellingBlocks() {
  std::array<ImbalanceBlock, 2> blocks{ImbalanceBlock{BISHOP_KNIGHT, {}}, ImbalanceBlock{KNIGHT_BISHOP, {}}};
  for (int w = 0; w < 3; ++w) {
    for (int b = 0; b < PAWN_COUNTS; ++b) {
      blocks[0].cells[w][b] = bishopKnightRows[w][b];
      blocks[1].cells[b][w] = static_cast<std::int16_t>(-bishopKnightRows[w][b]);
    }
  }
  return blocks;
}

bool isTellingPiece(int piece) { return piece == BISHOP_KNIGHT || piece == KNIGHT_BISHOP; }

bool readImbalanceSamples(Worker& pos, const char* path, int source, int& games,
                          std::vector<ImbalanceSample>& samples) {
  const bool read = replayGames(pos, path, games, [&](const GameMoment& moment) {
    Worker& at = moment.pos;
    const int piece = gridPiece(at);
    const bool quiet = (moment.move & (FLAG_CAPTURE | FLAG_PROMOTION)) == 0 && !inCheck(at.checkInfo[at.gamePly]);
    if (quiet && at.gamePly >= FIRST_SAMPLE_PLY && piece >= 0) {
      samples.push_back({gridCell(piece, at.pieceCount[WHITE][PAWN], at.pieceCount[BLACK][PAWN]),
                         static_cast<float>(whiteEval(at)), static_cast<float>(moment.result), moment.game, source});
    }
  });
  if (read) std::fprintf(stderr, "%s: %d games so far, %zu positions\n", path, games, samples.size());
  return read;
}

// A configuration that is its own reversal takes the antisymmetric part of its own
// parameters; another takes its canonical member's, or their reversal negated.
double ImbalanceModel::value(int piece, int w, int b, bool cells) const {
  double terms[SHARED_TERMS];
  sharedTerms(piece, w, b, terms);
  double sum = 0;
  for (int i = 0; i < SHARED_TERMS; ++i) sum += shared[i] * terms[i];
  const int reversed = reversedPiece(piece);
  if (piece == reversed) return sum + 0.5 * (own(params[piece], w, b, cells) - own(params[piece], b, w, cells));
  if (piece < reversed) return sum + own(params[piece], w, b, cells);
  return sum - own(params[reversed], b, w, cells);
}

Scales fitScales(const std::vector<ImbalanceSample>& samples, int sources) {
  Scales scales(sources);
  for (int source = 0; source < sources; ++source) {
    auto loss = [&](double scale) {
      double sum = 0;
      for (const ImbalanceSample& s : samples) {
        if (s.source == source) sum += logLoss(sigmoid(scale * s.eval), s.result);
      }
      return sum;
    };
    double low = 0.0005, high = 0.02;
    for (int i = 0; i < 60; ++i) {
      const double a = low + (high - low) / 3, b = high - (high - low) / 3;
      if (loss(a) < loss(b)) {
        high = b;
      } else {
        low = a;
      }
    }
    scales[source] = low;
  }
  return scales;
}

// Adam steps over all samples. The loss depends on a sample's parameters only through
// its cell's value, so each step sums the samples' gradient per cell and passes each
// used cell's sum on to the parameters the cell's value is made of.
ImbalanceModel fitImbalance(const std::vector<ImbalanceSample>& samples, const Scales& scales,
                            const FitSettings& settings) {
  ImbalanceModel model;
  if (samples.empty()) return model;
  constexpr int PER_CLASS = 3 + PAWN_COUNTS * PAWN_COUNTS;
  const std::size_t count = SHARED_TERMS + PIECE_CONFIGURATIONS * PER_CLASS;
  auto slot = [&model](std::size_t k) -> double& {
    if (k < SHARED_TERMS) return model.shared[k];
    ClassParameters& p = model.params[(k - SHARED_TERMS) / PER_CLASS];
    const int i = static_cast<int>((k - SHARED_TERMS) % PER_CLASS);
    if (i == 0) return p.base;
    if (i == 1) return p.slopeWhite;
    if (i == 2) return p.slopeBlack;
    return p.cell[(i - 3) / PAWN_COUNTS][(i - 3) % PAWN_COUNTS];
  };
  std::vector<double> spread(count);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = (k - SHARED_TERMS) % PER_CLASS;
    const int tier = k < SHARED_TERMS ? 1 : i < 3 ? 2 : 3;
    const double prior = k < SHARED_TERMS ? SHARED_SPREAD : i == 0 ? BASE_SPREAD : i < 3 ? SLOPE_SPREAD : CELL_SPREAD;
    spread[k] = tier > settings.tiers ? 0.0 : settings.shrink * prior;
  }
  // Only the cells the samples show, and the parameters they are made of, ever move:
  // a class no sample shows keeps its zeros.
  std::vector<int> usedCells;
  std::vector<char> used(GRID_CELLS, 0), classUsed(PIECE_CONFIGURATIONS, 0);
  for (const ImbalanceSample& s : samples) {
    if (!isTellingPiece(cellPiece(s.cell)) && !used[s.cell]) {
      used[s.cell] = 1;
      usedCells.push_back(s.cell);
      classUsed[std::min(cellPiece(s.cell), reversedPiece(cellPiece(s.cell)))] = 1;
    }
  }
  std::vector<std::size_t> moving;
  for (std::size_t k = 0; k < count; ++k) {
    if (spread[k] > 0 && (k < SHARED_TERMS || classUsed[(k - SHARED_TERMS) / PER_CLASS])) moving.push_back(k);
  }
  std::vector<double> cellValue(GRID_CELLS), cellGradient(GRID_CELLS);
  std::vector<double> gradient(count), first(count), second(count);
  const double sampleCount = static_cast<double>(samples.size());
  constexpr double RATE = 1.0, BETA1 = 0.9, BETA2 = 0.999;
  for (int step = 1; step <= OPTIMISER_STEPS; ++step) {
    for (const int cell : usedCells) {
      cellValue[cell] = model.value(cellPiece(cell), cellWhitePawns(cell), cellBlackPawns(cell));
      cellGradient[cell] = 0;
    }
    for (const ImbalanceSample& s : samples) {
      if (isTellingPiece(cellPiece(s.cell))) continue;
      const double scale = scales[s.source];
      cellGradient[s.cell] += (sigmoid(scale * (s.eval + cellValue[s.cell])) - s.result) * scale / sampleCount;
    }
    std::fill(gradient.begin(), gradient.end(), 0.0);
    for (const int cell : usedCells) {
      const double g = cellGradient[cell];
      const int piece = cellPiece(cell), whitePawns = cellWhitePawns(cell), blackPawns = cellBlackPawns(cell);
      double terms[SHARED_TERMS];
      sharedTerms(piece, whitePawns, blackPawns, terms);
      for (int i = 0; i < SHARED_TERMS; ++i) gradient[i] += g * terms[i];
      // The own parameters enter by one of the value's three forms.
      const int reversed = reversedPiece(piece);
      double* ownGradient = &gradient[SHARED_TERMS + std::min(piece, reversed) * PER_CLASS];
      auto add = [&](double factor, int w, int b) {
        ownGradient[0] += g * factor;
        ownGradient[1] += g * factor * w / 4;
        ownGradient[2] += g * factor * b / 4;
        ownGradient[3 + w * PAWN_COUNTS + b] += g * factor;
      };
      if (piece == reversed) {
        add(0.5, whitePawns, blackPawns);
        add(-0.5, blackPawns, whitePawns);
      } else if (piece < reversed) {
        add(1, whitePawns, blackPawns);
      } else {
        add(-1, blackPawns, whitePawns);
      }
    }
    const double firstCorrection = 1 - std::pow(BETA1, step), secondCorrection = 1 - std::pow(BETA2, step);
    for (const std::size_t k : moving) {
      double& value = slot(k);
      const double g = gradient[k] + value / (spread[k] * spread[k] * sampleCount);
      first[k] = BETA1 * first[k] + (1 - BETA1) * g;
      second[k] = BETA2 * second[k] + (1 - BETA2) * g * g;
      value -= RATE * (first[k] / firstCorrection) / (std::sqrt(second[k] / secondCorrection) + 1e-12);
    }
  }
  return model;
}

// Every configuration gets a record of its smooth part (base and slopes per four
// pawns, linear in the pawn counts); one whose cells differ from it markedly (those
// of a queen or rook against a bare king are 0), or whose record would leave the
// grid's range, gets a full block instead.
ImbalanceTables imbalanceTables(const ImbalanceModel& model) {
  ImbalanceTables tables;
  const std::array<ImbalanceBlock, 2> telling = tellingBlocks();
  tables.blocks.assign(telling.begin(), telling.end());
  for (int piece = 0; piece < PIECE_CONFIGURATIONS; ++piece) {
    if (isTellingPiece(piece)) continue;
    const int base = clampGrid(model.value(piece, 0, 0, false));
    const ImbalanceRecord record{piece, base, clampGrid(model.value(piece, 4, 0, false)) - base,
                                 clampGrid(model.value(piece, 0, 4, false)) - base};
    ImbalanceBlock block{piece, {}};
    int deviation = 0;
    bool inRange = true;
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) {
        const int limit = cellLimit(piece, w, b);
        const double value = majorAgainstBareKing(piece, w, b) ? 0 : model.value(piece, w, b);
        block.cells[w][b] = static_cast<std::int16_t>(clampGrid(value, limit));
        deviation = std::max(deviation, std::abs(block.cells[w][b] - recordCell(record, w, b)));
        inRange &= std::abs(recordCell(record, w, b)) <= limit;
      }
    }
    if (deviation >= BLOCK_MIN_DEVIATION || !inRange) {
      tables.blocks.push_back(block);
    } else if (record.base != 0 || record.slopeWhite != 0 || record.slopeBlack != 0) {
      tables.records.push_back(record);
    }
  }
  return tables;
}

std::vector<int> gridOf(const ImbalanceData& data) {
  std::vector<int> grid(GRID_CELLS, 0);
  for (int i = 0; i < data.recordCount; ++i) {
    const ImbalanceRecord& record = data.records[i];
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) grid[gridCell(record.pieceIndex, w, b)] = recordCell(record, w, b);
    }
  }
  for (int i = 0; i < data.blockCount; ++i) {
    const ImbalanceBlock& block = data.blocks[i];
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) grid[gridCell(block.pieceIndex, w, b)] = block.cells[w][b];
    }
  }
  return grid;
}

double meanLoss(const std::vector<ImbalanceSample>& samples, const std::vector<int>& grid, const Scales& scales) {
  double sum = 0;
  for (const ImbalanceSample& s : samples) {
    const double value = isTellingPiece(cellPiece(s.cell)) ? 0 : grid[s.cell] / GRID_UNITS;
    sum += logLoss(sigmoid(scales[s.source] * (s.eval + value)), s.result);
  }
  return samples.empty() ? 0 : sum / static_cast<double>(samples.size());
}

}  // namespace velt
