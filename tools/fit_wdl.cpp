// Fits the win/draw/loss model of the UCI_ShowWDL lines to game results and writes
// it as src/eval/wdl_tables.cpp.
//
//   fit_wdl [-o OUTPUT.cpp] [-depth PLIES] [-scores search|game] GAMES.pgn...
//
// Every position of the games past the opening gives one sample: the material on the
// board, the engine's score of it and the game's result, both from the side to move's
// view. The score is a search of -depth plies (4 by default; 0 takes the static
// evaluation), or with -scores game the score the player gave the position in the
// game, as the game driver writes it in the move's comment (positions whose move has
// no score, and mate scores, give no sample). The
// model (eval/wdl.h) is logistic in the score with an offset and a spread that depend
// on the material: each is the exponential of a cubic in the material, so that both
// stay positive and change smoothly from the opening to the bare ending. A score of
// exactly 0, the engine's draw score, has a draw chance of its own (win and loss
// share the rest evenly): the share of draws among the positions scored 0, by band of
// material. The fit maximises the likelihood of the results: the logistic's over the
// other scores, the draw chance's over the 0s. Every fifth game is held out of a first
// fit, which chooses the width of the bands (or one figure for every material) by the
// loss on the held-out 0s; the calibration on the held-out games (predicted against
// observed results by score bucket, and for 0 alone) is printed. The table written
// comes from the fit on all games.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/pgn_games.h"
#include "common/thinking_line.h"
#include "eval/evaluate.h"
#include "eval/wdl.h"
#include "search/root.h"
#include "search/search_state.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/options.h"

using namespace velt;

namespace {

constexpr int FIRST_SAMPLE_PLY = 16;  // the opening lines are not the players' choice
constexpr int DEFAULT_DEPTH = 4;
constexpr int MAX_DEPTH = 12;
constexpr int HOLD_OUT_EVERY = 5;
constexpr int TERMS = 4;  // a cubic in the material
constexpr int OPTIMISER_STEPS = 2500;
constexpr double LEARNING_RATE = 0.02;
constexpr double FIRST_OFFSET = 150.0;  // centipawns
constexpr double FIRST_SPREAD = 100.0;
constexpr double SMALLEST_CHANCE = 1e-6;
constexpr double SMALLEST_OFFSET = 1.0;  // a positive offset keeps win + loss below 1000
constexpr int MATERIAL_COUNTS = WDL_MATERIAL_MAX + 1;
constexpr int ONE_BAND = MATERIAL_COUNTS;  // one figure for every material
// The widths of the material bands tried for the draw chance of a score of 0.
constexpr int BAND_WIDTHS[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, ONE_BAND};

struct Sample {
  int material;
  double score;   // side to move's view, centipawns
  double result;  // side to move's: 1 won, 0.5 drawn, 0 lost
  int game;
};

// Offset and spread as exponentials of cubics in material / WDL_MATERIAL_MAX; the
// material is held within the range the games show, so that the ends stay put. Then
// the draw chance of a score of 0 by material, fitted by bands of `bandWidth` counts.
struct Model {
  std::array<double, TERMS> offset{};
  std::array<double, TERMS> spread{};
  int lowest = 0;
  int highest = WDL_MATERIAL_MAX;
  std::array<double, MATERIAL_COUNTS> drawAtZero{};
  int bandWidth = ONE_BAND;
};

double polynomial(const std::array<double, TERMS>& terms, double x) {
  double value = 0;
  for (int k = TERMS - 1; k >= 0; --k) value = value * x + terms[k];
  return value;
}

double materialFraction(const Model& model, int material) {
  return static_cast<double>(std::clamp(material, model.lowest, model.highest)) / WDL_MATERIAL_MAX;
}

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// The logistic's draw chance at a score of 0, the least the draw chance of 0 may be:
// less would show more win at 0 than at +1.
double curveDrawAtZero(double offset, double spread) { return 1.0 - 2.0 * sigmoid(-offset / spread); }

WdlParameters parametersOf(const Model& model, int material) {
  const double x = materialFraction(model, material);
  const double offset = std::max(std::exp(polynomial(model.offset, x)), SMALLEST_OFFSET);
  const double spread = std::exp(polynomial(model.spread, x));
  const double drawAtZero = model.drawAtZero[std::clamp(material, 0, WDL_MATERIAL_MAX)];
  return {offset, spread, std::max(drawAtZero, curveDrawAtZero(offset, spread))};
}

// Chances of win, draw and loss of the model for one sample.
struct Chances {
  double win, draw, loss;
};
Chances chancesOf(const WdlParameters& p, double score) {
  if (score == 0) return {(1 - p.drawAtZero) / 2, p.drawAtZero, (1 - p.drawAtZero) / 2};
  const double win = sigmoid((score - p.offset) / p.spread);
  const double loss = sigmoid((-score - p.offset) / p.spread);
  return {win, std::max(1.0 - win - loss, SMALLEST_CHANCE), loss};
}

double chanceOfResult(const Chances& c, double result) {
  return std::max(result > 0.75 ? c.win : result < 0.25 ? c.loss : c.draw, SMALLEST_CHANCE);
}

bool isDrawScore(const Sample& s) { return s.score == 0; }

// Mean negative log-likelihood of the samples, of those scored 0 alone with `drawScores`.
double meanLoss(const std::vector<Sample>& samples, const Model& model, bool drawScores = false) {
  double sum = 0;
  int count = 0;
  for (const Sample& s : samples) {
    if (drawScores && !isDrawScore(s)) continue;
    sum -= std::log(chanceOfResult(chancesOf(parametersOf(model, s.material), s.score), s.result));
    ++count;
  }
  return count == 0 ? 0.0 : sum / count;
}

// The logistic's offset and spread by maximum likelihood over the samples not scored
// 0, by Adam on the mean negative log-likelihood.
Model fitCurve(const std::vector<Sample>& all) {
  Model model;
  std::vector<Sample> samples;
  std::copy_if(all.begin(), all.end(), std::back_inserter(samples), [](const Sample& s) { return !isDrawScore(s); });
  if (samples.empty()) return model;
  model.lowest = WDL_MATERIAL_MAX;
  model.highest = 0;
  for (const Sample& s : samples) {
    model.lowest = std::min(model.lowest, s.material);
    model.highest = std::max(model.highest, s.material);
  }
  model.offset[0] = std::log(FIRST_OFFSET);
  model.spread[0] = std::log(FIRST_SPREAD);
  constexpr int PARAMETERS = 2 * TERMS;
  std::array<double, PARAMETERS> first{}, second{};
  constexpr double BETA1 = 0.9, BETA2 = 0.999, EPSILON = 1e-8;
  for (int step = 1; step <= OPTIMISER_STEPS; ++step) {
    std::array<double, PARAMETERS> gradient{};
    for (const Sample& s : samples) {
      const double x = materialFraction(model, s.material);
      const WdlParameters p = parametersOf(model, s.material);
      const double u = (s.score - p.offset) / p.spread, v = (-s.score - p.offset) / p.spread;
      const double win = sigmoid(u), loss = sigmoid(v);
      const double winSlope = win * (1 - win) / p.spread, lossSlope = loss * (1 - loss) / p.spread;
      // Derivatives of the chance of the result by the offset and by the spread.
      double byOffset, bySpread, chance;
      if (s.result > 0.75) {
        chance = win, byOffset = -winSlope, bySpread = -winSlope * u;
      } else if (s.result < 0.25) {
        chance = loss, byOffset = -lossSlope, bySpread = -lossSlope * v;
      } else {
        chance = 1 - win - loss, byOffset = winSlope + lossSlope, bySpread = winSlope * u + lossSlope * v;
      }
      chance = std::max(chance, SMALLEST_CHANCE);
      double power = 1;
      for (int k = 0; k < TERMS; ++k, power *= x) {
        gradient[k] -= byOffset * p.offset * power / chance;
        gradient[TERMS + k] -= bySpread * p.spread * power / chance;
      }
    }
    for (int i = 0; i < PARAMETERS; ++i) {
      const double g = gradient[i] / static_cast<double>(samples.size());
      first[i] = BETA1 * first[i] + (1 - BETA1) * g;
      second[i] = BETA2 * second[i] + (1 - BETA2) * g * g;
      const double step1 = first[i] / (1 - std::pow(BETA1, step));
      const double step2 = second[i] / (1 - std::pow(BETA2, step));
      double& value = i < TERMS ? model.offset[i] : model.spread[i - TERMS];
      value -= LEARNING_RATE * step1 / (std::sqrt(step2) + EPSILON);
    }
  }
  return model;
}

// The draw chance of a score of 0 by material: the share of draws among the samples
// scored 0 in each band of `bandWidth` material counts, or among all of them in a band
// without any; the curve's draw chance where there are none at all (parametersOf
// keeps it no less than that).
void fitDrawsAtZero(const std::vector<Sample>& samples, int bandWidth, Model& model) {
  constexpr int BANDS = MATERIAL_COUNTS;  // enough for bands of one
  std::array<int, BANDS> count{}, drawn{};
  int allCount = 0, allDrawn = 0;
  for (const Sample& s : samples) {
    if (!isDrawScore(s)) continue;
    const bool draw = s.result > 0.25 && s.result < 0.75;
    ++count[s.material / bandWidth], ++allCount;
    drawn[s.material / bandWidth] += draw, allDrawn += draw;
  }
  model.bandWidth = bandWidth;
  for (int material = 0; material <= WDL_MATERIAL_MAX; ++material) {
    const int band = material / bandWidth;
    model.drawAtZero[material] = count[band] > 0 ? static_cast<double>(drawn[band]) / count[band]
                                 : allCount > 0  ? static_cast<double>(allDrawn) / allCount
                                                 : 0.0;
  }
}

// The band width whose draw chances of 0, fitted to the fitted games, predict the
// held-out games' 0s best beside `model`'s curve; prints each width's loss, and that
// of the curve alone.
int chooseBandWidth(const std::vector<Sample>& fitted, const std::vector<Sample>& heldOut, Model model) {
  if (std::none_of(heldOut.begin(), heldOut.end(), isDrawScore)) return ONE_BAND;
  model.drawAtZero.fill(0.0);  // parametersOf gives the curve's own
  std::fprintf(stderr,
               "held-out positions scored 0: mean loss %.4f of the curve alone; by band width of the draw chance:\n ",
               meanLoss(heldOut, model, true));
  int best = ONE_BAND;
  double bestLoss = INFINITY;
  for (int width : BAND_WIDTHS) {
    fitDrawsAtZero(fitted, width, model);
    const double loss = meanLoss(heldOut, model, true);
    if (width == ONE_BAND) {
      std::fprintf(stderr, " one figure %.4f\n", loss);
    } else {
      std::fprintf(stderr, " %d %.4f", width, loss);
    }
    if (loss < bestLoss) best = width, bestLoss = loss;
  }
  return best;
}

// Predicted against observed results of the samples, by score bucket; below the
// bucket that holds 0, its samples scored 0 and the others apart.
void printCalibration(const std::vector<Sample>& samples, const Model& model) {
  constexpr int EDGES[] = {-400, -200, -100, -50, -20, 20, 50, 100, 200, 400};
  constexpr int BUCKETS = static_cast<int>(std::size(EDGES)) + 1;
  struct Tally {
    int count = 0;
    double predicted[3] = {};
    double observed[3] = {};
  };
  const auto bucketOf = [&](double score) {
    int bucket = 0;
    while (bucket < BUCKETS - 1 && score >= EDGES[bucket]) ++bucket;
    return bucket;
  };
  Tally tallies[BUCKETS], zeros, besideZeros;
  for (const Sample& s : samples) {
    const WinDrawLoss wdl = winDrawLoss(parametersOf(model, s.material), static_cast<int>(s.score));
    const int bucket = bucketOf(s.score);
    Tally* part = isDrawScore(s) ? &zeros : bucket == bucketOf(0) ? &besideZeros : nullptr;
    for (Tally* t : {&tallies[bucket], part}) {
      if (t == nullptr) continue;
      ++t->count;
      t->predicted[0] += wdl.win / 10.0, t->predicted[1] += wdl.draw / 10.0, t->predicted[2] += wdl.loss / 10.0;
      t->observed[s.result > 0.75 ? 0 : s.result < 0.25 ? 2 : 1] += 100.0;
    }
  }
  const auto printRow = [](const char* range, const Tally& t) {
    if (t.count == 0) return;
    const double n = t.count;
    std::fprintf(stderr, "  %-15s %9d  %5.1f %5.1f %5.1f    %5.1f %5.1f %5.1f    %+5.1f\n", range, t.count,
                 t.predicted[0] / n, t.predicted[1] / n, t.predicted[2] / n, t.observed[0] / n, t.observed[1] / n,
                 t.observed[2] / n, (t.predicted[0] - t.observed[0]) / n);
  };
  std::fprintf(stderr, "  score bucket    positions  predicted W/D/L %%     observed W/D/L %%   win gap\n");
  for (int b = 0; b < BUCKETS; ++b) {
    char range[32];
    if (b == 0) {
      std::snprintf(range, sizeof range, "below %d", EDGES[0]);
    } else if (b == BUCKETS - 1) {
      std::snprintf(range, sizeof range, "%d and above", EDGES[b - 1]);
    } else {
      std::snprintf(range, sizeof range, "%d to %d", EDGES[b - 1], EDGES[b] - 1);
    }
    printRow(range, tallies[b]);
    if (b != bucketOf(0)) continue;
    printRow("  0 alone", zeros);
    printRow("  the others", besideZeros);
  }
}

void writeTable(const char* path, const Model& model, std::size_t sampleCount, const std::string& command) {
  const std::string temporary = std::string(path) + ".tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", temporary.c_str());
    std::exit(1);
  }
  std::fprintf(out,
               "// Generated by `%s` (tools/fit_wdl.cpp): a maximum-likelihood fit over %zu positions.\n"
               "#include \"eval/wdl.h\"\n\nnamespace velt {\n\n"
               "// By material, from 0 to WDL_MATERIAL_MAX: offset and spread in centipawns, and the\n"
               "// draw chance of a score of 0, ",
               command.c_str(), sampleCount);
  if (model.bandWidth == ONE_BAND) {
    std::fprintf(out, "one figure for every material.\n");
  } else {
    std::fprintf(out, "by band of %d material counts.\n", model.bandWidth);
  }
  std::fprintf(out, "const WdlParameters wdlTable[WDL_MATERIAL_MAX + 1] = {\n");
  for (int material = 0; material <= WDL_MATERIAL_MAX; ++material) {
    const WdlParameters p = parametersOf(model, material);
    std::fprintf(out, "    {%.1f, %.1f, %.3f},  // %d\n", p.offset, p.spread, p.drawAtZero, material);
  }
  std::fprintf(out, "};\n\n}  // namespace velt\n");
  if (std::fclose(out) != 0 || std::rename(temporary.c_str(), path) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
}

// The engine's score of the game position for its side to move.
int engineScore(Engine& engine, int depth) {
  Worker& pos = engine.gamePosition;
  if (depth == 0) {
    pos.ply = 0;
    return evaluate(pos, NO_WINDOW, MATE_SCORE);
  }
  engine.timeControl.maxSearchDepth = depth;
  searchRoot(engine);
  return engine.search.rootScore;
}

// The samples of one file's games, scored by a search of `depth` plies or, with
// `gameScores`, by the scores in the move comments.
bool readSamples(Engine& engine, const char* path, int depth, bool gameScores, int& games,
                 std::vector<Sample>& samples) {
  int lastGame = -1;
  const bool read = replayGames(engine.gamePosition, path, games, [&](const GameMoment& moment) {
    // Each game starts with fresh tables, as a new game of the engine does.
    if (!gameScores && moment.game != lastGame) {
      resetSearchForNewGame(engine);
      clearSearchTables(engine);
      lastGame = moment.game;
    }
    const Worker& pos = moment.pos;
    if (pos.gamePly < FIRST_SAMPLE_PLY) return;
    MoveReport report;
    if (gameScores && (!readMoveComment(moment.comment, report) || report.mate)) return;
    const int score = gameScores ? report.score : engineScore(engine, depth);
    if (std::abs(score) > MATE_BOUND) return;  // certain by rule, not by the model
    const double result = pos.side == WHITE ? moment.result : 1.0 - moment.result;
    samples.push_back({wdlMaterial(pos), static_cast<double>(score), result, moment.game});
  });
  if (read) std::fprintf(stderr, "%s: %d games so far, %zu positions\n", path, games, samples.size());
  return read;
}

}  // namespace

int main(int argc, char** argv) {
  const char* output = "src/eval/wdl_tables.cpp";
  int depth = DEFAULT_DEPTH;
  bool gameScores = false;
  int first = 1;
  for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
    const std::string option = argv[first];
    char* end = nullptr;
    const long value = std::strtol(argv[first + 1], &end, 10);
    if (option == "-o") {
      output = argv[first + 1];
    } else if (option == "-depth" && *end == '\0' && value >= 0 && value <= MAX_DEPTH) {
      depth = static_cast<int>(value);
    } else if (option == "-scores" && (std::string(argv[first + 1]) == "game" || std::string(argv[first + 1]) == "search")) {
      gameScores = std::string(argv[first + 1]) == "game";
    } else {
      break;
    }
  }
  if (first >= argc || argv[first][0] == '-') {
    std::fprintf(stderr, "usage: fit_wdl [-o OUTPUT.cpp] [-depth 0..%d] [-scores search|game] GAMES.pgn...\n",
                 MAX_DEPTH);
    return 1;
  }
  std::string command = "fit_wdl";
  for (int i = 1; i < argc; ++i) command += std::string(" ") + argv[i];

  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  engine.options.ttIndexMask = hashSizeToMask(HASH_MIN_MB);
  engine.engineFlags = FLAG_UCI;  // no lines
  if (!initApp(engine)) return 1;
  engine.search.pollReadsInput = false;
  engine.timeControl.increment = engine.timeControl.baseTime = engine.timeControl.movesPerSession =
      engine.timeControl.timePerMove = 0;
  std::vector<Sample> samples;
  int games = 0;
  for (int i = first; i < argc; ++i) {
    if (!readSamples(engine, argv[i], depth, gameScores, games, samples)) return 1;
  }
  if (samples.empty()) {
    std::fprintf(stderr, "no positions in the games\n");
    return 1;
  }
  std::vector<Sample> fitted, heldOut;
  for (const Sample& s : samples) (s.game % HOLD_OUT_EVERY == 0 ? heldOut : fitted).push_back(s);
  Model check = fitCurve(fitted);
  const int bandWidth = chooseBandWidth(fitted, heldOut, check);
  fitDrawsAtZero(fitted, bandWidth, check);
  std::fprintf(stderr, "held-out games (every %dth): %zu positions, mean loss %.4f (%.4f on the fitted games)\n",
               HOLD_OUT_EVERY, heldOut.size(), meanLoss(heldOut, check), meanLoss(fitted, check));
  printCalibration(heldOut, check);
  Model model = fitCurve(samples);
  fitDrawsAtZero(samples, bandWidth, model);
  std::fprintf(stderr, "all games: mean loss %.4f; material %d..%d\n", meanLoss(samples, model), model.lowest,
               model.highest);
  for (int material : {10, 30, 50, 70}) {
    const WdlParameters p = parametersOf(model, material);
    std::fprintf(stderr, "  material %2d: offset %6.1f, spread %6.1f, draw chance of 0 %.3f\n", material, p.offset,
                 p.spread, p.drawAtZero);
  }
  writeTable(output, model, samples.size(), command);
  return 0;
}
