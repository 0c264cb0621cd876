// Prints start positions for the games the engine's data is fitted from, one FEN a
// line: the positions after FIRST_PLY to LAST_PLY plies of every game of a PGN file
// (the book's lines), and RANDOM_COUNT positions after RANDOM_PLIES random legal plies
// from the start position, all shuffled with SEED. Repeated positions are printed
// once. The same arguments print the same list.
//
//   corpus_openings GAMES.pgn FIRST_PLY LAST_PLY RANDOM_COUNT RANDOM_PLIES SEED
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/movegen.h"
#include "common/pgn_games.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "search/engine_core.h"
#include "search/node.h"

using namespace velt;

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr int MAX_OPENING_PLIES = 40;
constexpr int MAX_RANDOM_COUNT = 10000000;
constexpr int MAX_SEED = 2147483647;

std::string fenOf(const Worker& pos) {
  char fen[FEN_TEXT_SIZE];
  positionToFen(pos, fen);
  return fen;
}

// The legal moves of the position.
std::vector<Move> legalMoves(Worker& pos) {
  generateAllMoves(pos);
  std::vector<Move> legal;
  for (int i = pos.listStart[pos.ply]; i < pos.listStart[pos.ply + 1]; ++i) {
    if (makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) {
      unmakeMove(pos);
      legal.push_back(pos.moveList[i].move);
    }
  }
  return legal;
}

// A position after `plies` random legal plies from the start, or an empty text when
// the random game ended before (mate or stalemate).
std::string randomOpening(Worker& gamePosition, int plies, std::mt19937& random) {
  parseFen(gamePosition, START_FEN);
  auto pos = std::make_unique<Worker>(gamePosition);
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  for (int ply = 0; ply < plies; ++ply) {
    const std::vector<Move> legal = legalMoves(*pos);
    if (legal.empty()) return "";
    makeMove(*pos, legal[random() % legal.size()], -MATE_SCORE, MATE_SCORE);
  }
  return hasLegalMove(*pos) ? fenOf(*pos) : "";
}

int argument(const char* text, int low, int high, const char* name) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < low || value > high) {
    std::fprintf(stderr, "corpus_openings: %s must be a number from %d to %d, not \"%s\"\n", name, low, high, text);
    std::exit(2);
  }
  return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: corpus_openings GAMES.pgn FIRST_PLY LAST_PLY RANDOM_COUNT RANDOM_PLIES SEED\n");
    return 2;
  }
  const int firstPly = argument(argv[2], 1, MAX_OPENING_PLIES, "FIRST_PLY");
  const int lastPly = argument(argv[3], firstPly, MAX_OPENING_PLIES, "LAST_PLY");
  const int randomCount = argument(argv[4], 0, MAX_RANDOM_COUNT, "RANDOM_COUNT");
  const int randomPlies = argument(argv[5], 1, MAX_OPENING_PLIES, "RANDOM_PLIES");
  std::mt19937 random(static_cast<unsigned>(argument(argv[6], 0, MAX_SEED, "SEED")));
  const auto engine = std::make_unique<EngineCore>();
  if (!buildMaterialTable(engine->evalData.material) || !allocatePawnHash(engine->evalData)) return 1;
  std::vector<std::string> fens;
  std::set<std::string> seen;
  auto keep = [&](const std::string& fen) {
    if (!fen.empty() && seen.insert(fen).second) fens.push_back(fen);
  };
  int games = 0;
  const bool read = replayGames(engine->gamePosition, argv[1], games, [&](const GameMoment& moment) {
    if (moment.pos.gamePly >= firstPly && moment.pos.gamePly <= lastPly) keep(fenOf(moment.pos));
  });
  if (!read) return 1;
  const std::size_t fromBook = fens.size();
  for (int i = 0; i < randomCount; ++i) keep(randomOpening(engine->gamePosition, randomPlies, random));
  std::shuffle(fens.begin(), fens.end(), random);
  for (const std::string& fen : fens) std::printf("%s\n", fen.c_str());
  std::fprintf(stderr, "corpus_openings: %zu positions from %d games, %zu random\n", fromBook, games,
               fens.size() - fromBook);
  return 0;
}
