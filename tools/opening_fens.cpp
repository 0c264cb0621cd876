// Prints the positions at the end of named opening lines, one FEN a line: start
// positions for the game driver's matches, so that a test of strength sees many
// openings rather than a few played over and over. Reads a table of lines (a header,
// then ECO code, name and moves in SAN, separated by tabs, as in the shared
// openings.tsv), keeps the lines of at least MIN_PLIES plies and prints COUNT of them
// chosen at random with SEED (all of them, in order, when COUNT is 0).
//
//   opening_fens FILE [MIN_PLIES] [COUNT] [SEED]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "search/engine_core.h"
#include "search/node.h"

using namespace velt;

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Plays the SAN moves of `line` (move numbers are skipped) from the start position;
// the position's FEN, or an empty text when a move is not legal there or the line ends
// in mate or stalemate (a game over already is no start for a match game).
std::string lineEnd(Worker& gamePosition, const std::string& line, int& plies) {
  parseFen(gamePosition, START_FEN);
  auto pos = std::make_unique<Worker>(gamePosition);
  evaluate(*pos, NO_WINDOW, MATE_SCORE);
  std::istringstream words(line);
  plies = 0;
  for (std::string word; words >> word;) {
    if (word.back() == '.') continue;
    Move move;
    if (!parseSanMove(*pos, word.c_str(), move)) return "";
    makeMove(*pos, move, -MATE_SCORE, MATE_SCORE);
    ++plies;
  }
  if (!hasLegalMove(*pos)) return "";
  char fen[FEN_TEXT_SIZE];
  positionToFen(*pos, fen);
  return fen;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: opening_fens FILE [MIN_PLIES] [COUNT] [SEED]\n");
    return 2;
  }
  const int minPlies = argc > 2 ? std::atoi(argv[2]) : 8;
  const int count = argc > 3 ? std::atoi(argv[3]) : 0;
  std::mt19937 random(argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 4646u);
  std::ifstream table(argv[1]);
  if (!table) {
    std::fprintf(stderr, "opening_fens: cannot read %s\n", argv[1]);
    return 1;
  }
  const auto engine = std::make_unique<EngineCore>();
  if (!buildMaterialTable(engine->evalData.material) || !allocatePawnHash(engine->evalData)) return 1;
  std::vector<std::string> fens;
  std::string row;
  std::getline(table, row);  // the header
  for (int number = 2; std::getline(table, row); ++number) {
    const std::size_t moves = row.rfind('\t');
    if (moves == std::string::npos) continue;
    int plies = 0;
    const std::string fen = lineEnd(engine->gamePosition, row.substr(moves + 1), plies);
    if (fen.empty()) {
      std::fprintf(stderr, "opening_fens: line %d has a move that is not legal or ends the game; left out\n", number);
    } else if (plies >= minPlies && std::find(fens.begin(), fens.end(), fen) == fens.end()) {
      fens.push_back(fen);
    }
  }
  if (count > 0 && count < static_cast<int>(fens.size())) {
    std::shuffle(fens.begin(), fens.end(), random);
    fens.resize(static_cast<std::size_t>(count));
  }
  for (const std::string& fen : fens) std::printf("%s\n", fen.c_str());
  return 0;
}
