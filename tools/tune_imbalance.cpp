// Fits the base imbalance grid of the material table to game results and writes it
// as src/eval/material_tables.cpp.
//
//   tune_imbalance [-o OUTPUT.cpp] [-tiers 1|2|3] [-shrink F] GAMES.pgn...
//
// -tiers chooses how much of the model below is fitted: 1 the shared terms only, 2
// also each configuration's base and slopes, 3 (the default) also its cells. -shrink
// scales every prior spread (below 1: stronger shrinkage). Compare variants by the
// held-out loss the program prints, for all games and per file.
//
// Games that ended off the board (a time forfeit, an illegal move, a crash, by the
// Termination tag the game driver writes) are skipped: their results say nothing of
// the position. Every quiet position of the games (not in check, the game's next move
// neither a capture nor a promotion, past the opening) gives one sample: its configuration of
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
// exchanged), so the table is colour-symmetric by construction. The bishop-against-
// knight blocks are fixed data and are not fitted.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/san.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "eval/pawns.h"
#include "common/pgn_games.h"
#include "search/engine_core.h"

using namespace velt;

namespace {

constexpr int PAWN_COUNTS = 9;
constexpr int PIECE_CONFIGURATIONS = 2916;  // grid piece index range
constexpr int FIRST_SAMPLE_PLY = 16;         // the opening lines are not the engine's play
constexpr double GRID_UNITS = 32.0;          // grid values are in 1/32 centipawn
constexpr int GRID_LIMIT = 8192;             // no configuration is worth more than 2.56 pawns extra
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
constexpr int HOLD_OUT_EVERY = 10;

// The model variant chosen on the command line.
struct FitSettings {
  int tiers = 3;
  double shrink = 1.0;
};

// The telling blocks: a white bishop against a black knight and nothing else, first
// two rows and the two values of the third that the reversed block's rows imply.
constexpr int BISHOP_KNIGHT = 1008;
constexpr int KNIGHT_BISHOP = 432;
constexpr std::int16_t bishopKnightRows[3][PAWN_COUNTS] = {
    {0, 2766, 1161, 1455, 1749, 2043, 2337, 2631, 2925},
    {-2502, 120, 777, 1071, 1365, 1659, 1953, 2247, 2541},
    {-195, 99, 0, 0, 0, 0, 0, 0, 0},
};

struct Sample {
  int piece;  // grid piece index
  int whitePawns, blackPawns;
  double eval;    // white's view, centipawns, with only the bishop-against-knight data
  double result;  // 1 white won, 0.5 draw, 0 black won
  int game;
  int source = 0;  // the file it came from: each file's games get a scale of their own
};

// Scale of the evaluation in the logistic model, per source: how sure a result an
// evaluation means depends on who played the games and how fast.
using Scales = std::vector<double>;

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

// The same configuration with the colours exchanged.
int reversedPiece(int piece) {
  const Men m = menOf(piece);
  return m.count[BLACK][QUEEN] + 2 * m.count[WHITE][QUEEN] + 4 * m.count[BLACK][ROOK] + 12 * m.count[WHITE][ROOK] +
         36 * m.count[BLACK][BISHOP] + 108 * m.count[WHITE][BISHOP] + 324 * m.count[BLACK][KNIGHT] +
         972 * m.count[WHITE][KNIGHT];
}

bool fixedPiece(int piece) { return piece == BISHOP_KNIGHT || piece == KNIGHT_BISHOP; }

// The bishop-against-knight block and its colour reversal.
std::array<ImbalanceBlock, 2> fixedBlocks() {
  std::array<ImbalanceBlock, 2> blocks{ImbalanceBlock{BISHOP_KNIGHT, {}}, ImbalanceBlock{KNIGHT_BISHOP, {}}};
  for (int w = 0; w < 3; ++w) {
    for (int b = 0; b < PAWN_COUNTS; ++b) {
      blocks[0].cells[w][b] = bishopKnightRows[w][b];
      blocks[1].cells[b][w] = static_cast<std::int16_t>(-bishopKnightRows[w][b]);
    }
  }
  return blocks;
}

double whiteEval(Worker& pos) {
  pos.ply = 0;
  const int score = evaluate(pos, NO_WINDOW, MATE_SCORE);
  return pos.side == WHITE ? score : -score;
}

// Adds the quiet positions of one file's games; `games` numbers the games across files.
bool readGames(Worker& pos, const char* path, int& games, std::vector<Sample>& samples) {
  const bool read = replayGames(pos, path, games, [&samples](const GameMoment& moment) {
    Worker& at = moment.pos;
    const int piece = gridPiece(at);
    const bool quiet = (moment.move & (FLAG_CAPTURE | FLAG_PROMOTION)) == 0 && !inCheck(at.checkInfo[at.gamePly]);
    if (quiet && at.gamePly >= FIRST_SAMPLE_PLY && piece >= 0) {
      samples.push_back({piece, at.pieceCount[WHITE][PAWN], at.pieceCount[BLACK][PAWN], whiteEval(at), moment.result,
                         moment.game});
    }
  });
  if (read) std::fprintf(stderr, "%s: %d games so far, %zu positions\n", path, games, samples.size());
  return read;
}

// Terms shared by all configurations, each white's minus black's so that colour
// reversal negates them: a correction of each piece's value, the same per own pawn
// (knights gain with pawns, rooks lose), the bishop pair and the same per own pawn
// (the pair's worth is commonly held to fall as pawns block the bishops), and a
// pawn's value.
constexpr int SHARED_TERMS = 11;
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

// Own parameters of one configuration class, held by its canonical member (the
// smaller piece index of the configuration and its reversal): what the class adds
// to the shared terms.
struct Parameters {
  double base = 0, slopeWhite = 0, slopeBlack = 0;
  double cell[PAWN_COUNTS][PAWN_COUNTS] = {};
};

struct Model {
  double shared[SHARED_TERMS] = {};
  std::vector<Parameters> params = std::vector<Parameters>(PIECE_CONFIGURATIONS);

  // Value (centipawns) of the canonical configuration's own part.
  static double own(const Parameters& p, int w, int b, bool cells) {
    return p.base + p.slopeWhite * w / 4 + p.slopeBlack * b / 4 + (cells ? p.cell[w][b] : 0);
  }
  // Value of any configuration: the shared terms plus the canonical member's own
  // part, or its reversal's negated; a configuration that is its own reversal takes
  // the antisymmetric part. Without cells it is linear in the pawn counts.
  double value(int piece, int w, int b, bool cells = true) const {
    double terms[SHARED_TERMS];
    sharedTerms(piece, w, b, terms);
    double sum = 0;
    for (int i = 0; i < SHARED_TERMS; ++i) sum += shared[i] * terms[i];
    const int reversed = reversedPiece(piece);
    if (piece == reversed) return sum + 0.5 * (own(params[piece], w, b, cells) - own(params[piece], b, w, cells));
    if (piece < reversed) return sum + own(params[piece], w, b, cells);
    return sum - own(params[reversed], b, w, cells);
  }
};

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

double logLoss(double probability, double result) {
  constexpr double FLOOR = 1e-12;
  return -(result * std::log(probability + FLOOR) + (1 - result) * std::log(1 - probability + FLOOR));
}

// The scales fitted to the evaluation alone, one per source.
Scales fitScales(const std::vector<Sample>& samples, int sources) {
  Scales scales(sources);
  for (int source = 0; source < sources; ++source) {
    auto loss = [&](double scale) {
      double sum = 0;
      for (const Sample& s : samples) sum += s.source == source ? logLoss(sigmoid(scale * s.eval), s.result) : 0;
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

double grid(const Model& model, const Sample& s) {
  return fixedPiece(s.piece) ? 0 : model.value(s.piece, s.whitePawns, s.blackPawns);
}

double meanLoss(const std::vector<Sample>& samples, const Model& model, const Scales& scales) {
  double sum = 0;
  for (const Sample& s : samples) sum += logLoss(sigmoid(scales[s.source] * (s.eval + grid(model, s))), s.result);
  return sum / samples.size();
}

// Maximum a-posteriori fit by Adam steps over the whole sample set: logistic loss
// plus Gaussian priors of the tiers' spreads. Parameters of tiers not fitted stay 0.
void fitModel(const std::vector<Sample>& samples, const Scales& scales, const FitSettings& settings, Model& model) {
  constexpr int PER_CLASS = 3 + PAWN_COUNTS * PAWN_COUNTS;
  const std::size_t count = SHARED_TERMS + PIECE_CONFIGURATIONS * PER_CLASS;
  auto slot = [&model](std::size_t k) -> double& {
    if (k < SHARED_TERMS) return model.shared[k];
    Parameters& p = model.params[(k - SHARED_TERMS) / PER_CLASS];
    const int i = static_cast<int>((k - SHARED_TERMS) % PER_CLASS);
    if (i == 0) return p.base;
    if (i == 1) return p.slopeWhite;
    if (i == 2) return p.slopeBlack;
    return p.cell[(i - 3) / PAWN_COUNTS][(i - 3) % PAWN_COUNTS];
  };
  auto spread = [&settings](std::size_t k) {
    if (k < SHARED_TERMS) return settings.shrink * SHARED_SPREAD;
    const std::size_t i = (k - SHARED_TERMS) % PER_CLASS;
    const int tier = i < 3 ? 2 : 3;
    if (tier > settings.tiers) return 0.0;
    return settings.shrink * (i == 0 ? BASE_SPREAD : i < 3 ? SLOPE_SPREAD : CELL_SPREAD);
  };
  std::vector<double> gradient(count), first(count), second(count);
  constexpr double RATE = 1.0, BETA1 = 0.9, BETA2 = 0.999;
  for (int step = 1; step <= OPTIMISER_STEPS; ++step) {
    std::fill(gradient.begin(), gradient.end(), 0.0);
    for (const Sample& s : samples) {
      if (fixedPiece(s.piece)) continue;
      const double scale = scales[s.source];
      const double g = (sigmoid(scale * (s.eval + grid(model, s))) - s.result) * scale / samples.size();
      double terms[SHARED_TERMS];
      sharedTerms(s.piece, s.whitePawns, s.blackPawns, terms);
      for (int i = 0; i < SHARED_TERMS; ++i) gradient[i] += g * terms[i];
      // The own parameters enter by one of the value's three forms.
      const int reversed = reversedPiece(s.piece);
      double* own = &gradient[SHARED_TERMS + std::min(s.piece, reversed) * PER_CLASS];
      auto add = [&](double factor, int w, int b) {
        own[0] += g * factor;
        own[1] += g * factor * w / 4;
        own[2] += g * factor * b / 4;
        own[3 + w * PAWN_COUNTS + b] += g * factor;
      };
      if (s.piece == reversed) {
        add(0.5, s.whitePawns, s.blackPawns);
        add(-0.5, s.blackPawns, s.whitePawns);
      } else if (s.piece < reversed) {
        add(1, s.whitePawns, s.blackPawns);
      } else {
        add(-1, s.blackPawns, s.whitePawns);
      }
    }
    const double firstCorrection = 1 - std::pow(BETA1, step), secondCorrection = 1 - std::pow(BETA2, step);
    for (std::size_t k = 0; k < count; ++k) {
      if (spread(k) == 0) continue;
      double& value = slot(k);
      const double g = gradient[k] + value / (spread(k) * spread(k) * samples.size());
      first[k] = BETA1 * first[k] + (1 - BETA1) * g;
      second[k] = BETA2 * second[k] + (1 - BETA2) * g * g;
      value -= RATE * (first[k] / firstCorrection) / (std::sqrt(second[k] / secondCorrection) + 1e-12);
    }
  }
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

int clampGrid(double value, int limit = GRID_LIMIT) {
  const long rounded = std::lround(GRID_UNITS * value);
  return static_cast<int>(rounded > limit ? limit : rounded < -limit ? -limit : rounded);
}

void writeBlock(std::FILE* out, const ImbalanceBlock& block) {
  std::fprintf(out, "    {%d,\n     {", block.pieceIndex);
  for (int w = 0; w < PAWN_COUNTS; ++w) {
    std::fprintf(out, "%s{", w ? ",\n      " : "");
    for (int b = 0; b < PAWN_COUNTS; ++b) std::fprintf(out, "%s%d", b ? ", " : "", block.cells[w][b]);
    std::fprintf(out, "}");
  }
  std::fprintf(out, "}},\n");
}

// Every configuration gets a record of its smooth part (base and slopes per four
// pawns, linear in the pawn counts); one whose cells differ from it markedly, or
// whose record would leave the grid's range, gets a full block instead.
void writeTables(const char* path, const Model& model, std::size_t sampleCount, const std::string& command) {
  std::vector<int> blocks;
  std::vector<ImbalanceRecord> records;
  for (int piece = 0; piece < PIECE_CONFIGURATIONS; ++piece) {
    if (fixedPiece(piece)) continue;
    const int base = clampGrid(model.value(piece, 0, 0, false));
    const ImbalanceRecord record{piece, base, clampGrid(model.value(piece, 4, 0, false)) - base,
                        clampGrid(model.value(piece, 0, 4, false)) - base};
    int deviation = 0;
    bool inRange = true;
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) {
        const int limit = cellLimit(piece, w, b);
        deviation = std::max(deviation, std::abs(clampGrid(model.value(piece, w, b), limit) - recordCell(record, w, b)));
        inRange &= std::abs(recordCell(record, w, b)) <= limit;
      }
    }
    if (deviation >= BLOCK_MIN_DEVIATION || !inRange) {
      blocks.push_back(piece);
    } else if (record.base != 0 || record.slopeWhite != 0 || record.slopeBlack != 0) {
      records.push_back(record);
    }
  }
  const std::string temporary = std::string(path) + ".tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", temporary.c_str());
    std::exit(1);
  }
  std::fprintf(out, "// Generated by `%s` (tools/tune_imbalance.cpp): a logistic fit over %zu quiet positions.\n",
               command.c_str(), sampleCount);
  std::fprintf(out, "#include \"eval/material.h\"\n\nnamespace velt {\n\n// Full blocks: the bishop-against-knight pair, then fitted ones.\n");
  std::fprintf(out, "const ImbalanceBlock imbalanceBlocks[] = {\n");
  for (const ImbalanceBlock& block : fixedBlocks()) writeBlock(out, block);
  for (int piece : blocks) {
    ImbalanceBlock block{piece, {}};
    for (int w = 0; w < PAWN_COUNTS; ++w) {
      for (int b = 0; b < PAWN_COUNTS; ++b) {
        block.cells[w][b] = static_cast<std::int16_t>(clampGrid(model.value(piece, w, b), cellLimit(piece, w, b)));
      }
    }
    writeBlock(out, block);
  }
  std::fprintf(out, "};\nconst int imbalanceBlockCount = sizeof(imbalanceBlocks) / sizeof(imbalanceBlocks[0]);\n\n");
  std::fprintf(out, "// Records: piece index, base, slope per four white pawns, slope per four black pawns.\n");
  std::fprintf(out, "const ImbalanceRecord imbalanceRecords[] = {\n");
  for (const ImbalanceRecord& r : records) {
    std::fprintf(out, "    {%d, %d, %d, %d},\n", r.pieceIndex, r.base, r.slopeWhite, r.slopeBlack);
  }
  std::fprintf(out, "};\nconst int imbalanceRecordCount = sizeof(imbalanceRecords) / sizeof(imbalanceRecords[0]);\n\n}  // namespace velt\n");
  const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
  if (std::fclose(out) != 0 || !written || std::rename(temporary.c_str(), path) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::remove(temporary.c_str());
    std::exit(1);
  }
  std::fprintf(stderr, "%zu blocks, %zu records written to %s\n", blocks.size() + 2, records.size(), path);
}

void printShared(const Model& model) {
  static const char* const names[SHARED_TERMS] = {"knight", "knight per 8 own pawns", "bishop", "bishop per 8 own pawns",
                                                  "rook", "rook per 8 own pawns", "queen", "queen per 8 own pawns",
                                                  "bishop pair", "bishop pair per 8 own pawns", "pawn"};
  for (int i = 0; i < SHARED_TERMS; ++i) std::fprintf(stderr, "  %-24s %7.1f cp\n", names[i], model.shared[i]);
}

}  // namespace

int main(int argc, char** argv) {
  const char* output = "src/eval/material_tables.cpp";
  FitSettings settings;
  int first = 1;
  for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
    const std::string option = argv[first];
    char* end = nullptr;
    const double value = std::strtod(argv[first + 1], &end);
    const bool number = *end == '\0';
    if (option == "-o") {
      output = argv[first + 1];
    } else if (option == "-tiers" && number && value >= 1 && value <= 3 && value == static_cast<int>(value)) {
      settings.tiers = static_cast<int>(value);
    } else if (option == "-shrink" && number && value > 0) {
      settings.shrink = value;
    } else {
      break;
    }
  }
  if (first >= argc || argv[first][0] == '-') {
    std::fprintf(stderr, "usage: tune_imbalance [-o OUTPUT.cpp] [-tiers 1|2|3] [-shrink F] GAMES.pgn...\n");
    return 1;
  }
  // The command as the generated file's first line names it.
  std::string command = "tune_imbalance";
  for (int i = 1; i < argc; ++i) command += std::string(" ") + argv[i];
  // The evaluation the fit starts from knows only the fixed blocks.
  const std::array<ImbalanceBlock, 2> fixed = fixedBlocks();
  const auto engine = std::make_unique<EngineCore>();
  if (!buildMaterialTableFrom(engine->evalData.material, {fixed.data(), static_cast<int>(fixed.size()), nullptr, 0}) ||
      !allocatePawnHash(engine->evalData)) {
    return 1;
  }
  std::vector<Sample> samples;
  int games = 0;
  for (int i = first; i < argc; ++i) {
    const std::size_t start = samples.size();
    if (!readGames(engine->gamePosition, argv[i], games, samples)) return 1;
    for (std::size_t k = start; k < samples.size(); ++k) samples[k].source = i - first;
  }
  const int sources = argc - first;
  if (samples.empty()) {
    std::fprintf(stderr, "no positions in the games\n");
    return 1;
  }
  // A fit on all games but every tenth shows how the model does on games it has not
  // seen; the table written comes from the fit on all games.
  std::vector<Sample> fitted, heldOut;
  for (const Sample& s : samples) (s.game % HOLD_OUT_EVERY == 0 ? heldOut : fitted).push_back(s);
  Model check;
  const Scales checkScales = fitScales(fitted, sources);
  const double before = meanLoss(heldOut, check, checkScales);
  fitModel(fitted, checkScales, settings, check);
  std::fprintf(stderr, "held-out games: mean loss %.5f without the grid, %.5f with it\n", before,
               meanLoss(heldOut, check, checkScales));
  // The same per file: data of one kind may be told apart from another's.
  for (int i = first; i < argc && sources > 1; ++i) {
    std::vector<Sample> ofFile;
    for (const Sample& s : heldOut) {
      if (s.source == i - first) ofFile.push_back(s);
    }
    if (ofFile.empty()) continue;
    std::fprintf(stderr, "  %s: %zu held-out positions, %.5f without, %.5f with\n", argv[i], ofFile.size(),
                 meanLoss(ofFile, Model{}, checkScales), meanLoss(ofFile, check, checkScales));
  }
  const Scales scales = fitScales(samples, sources);
  Model model;
  fitModel(samples, scales, settings, model);
  std::fprintf(stderr, "all games: scale %.5f per centipawn (first file), mean loss %.5f -> %.5f; shared terms:\n",
               scales[0], meanLoss(samples, Model{}, scales), meanLoss(samples, model, scales));
  printShared(model);
  writeTables(output, model, samples.size(), command);
  return 0;
}
