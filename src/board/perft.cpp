#include "board/perft.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "board/coordinate.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "shell/game_state.h"

namespace {

// Perft needs the attack maps of each position, not its score: a window no score
// reaches lets the evaluation take its lazy exit, which still fills the maps,
// wherever it may (beyond ply 2).
constexpr int NO_SCORE_NEEDED = MATE_BOUND;

// Makes each move of the ply's current list and counts below the legal ones.
std::uint64_t countList(Position& pos, int depth, std::vector<PerftLine>* lines);

std::uint64_t countNode(Position& pos, int depth, std::vector<PerftLine>* lines) {
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
    return countList(pos, depth, lines);
  }
  generateCaptures(pos, pos.colourBB[pos.xside], true);
  std::uint64_t nodes = countList(pos, depth, lines);
  generateQuiets(pos);
  return nodes + countList(pos, depth, lines);
}

std::uint64_t countList(Position& pos, int depth, std::vector<PerftLine>* lines) {
  std::uint64_t nodes = 0;
  const int end = pos.listStart[pos.ply + 1];
  for (int i = pos.listStart[pos.ply]; i < end; ++i) {
    const Move move = pos.moveList[i].move;
    if (!makeMove(pos, move, NO_SCORE_NEEDED, NO_SCORE_NEEDED + 1)) continue;
    const std::uint64_t below = depth == 1 ? 1 : countNode(pos, depth - 1, nullptr);
    unmakeMove(pos);
    if (lines) lines->push_back({move, below});
    nodes += below;
  }
  return nodes;
}

}  // namespace

std::uint64_t perft(Position& pos, int depth, std::vector<PerftLine>* lines) {
  if (depth < 1) return 1;
  // Perft counts true legal moves: bishop promotions are generated for its run.
  const bool savedAnalysisMode = analysisMode;
  analysisMode = true;
  pos.listStart[pos.ply + 1] = pos.listStart[pos.ply];
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  const std::uint64_t nodes = countNode(pos, depth, lines);
  analysisMode = savedAnalysisMode;
  return nodes;
}

void perftCommand(const char* arguments) {
  char* end = nullptr;
  const long depth = std::strtol(arguments, &end, 10);
  if (end == arguments || depth < 1 || depth > PERFT_MAX_DEPTH) {
    std::printf("Usage: perft <depth>, depth 1 to %d\n", PERFT_MAX_DEPTH);
    std::fflush(stdout);
    return;
  }
  // A copy rebased to game ply 0, so that the game's history cannot run out of
  // undo records and the game position stays untouched.
  auto pos = std::make_unique<Position>(gamePosition);
  pos->checkInfo[0] = pos->checkInfo[pos->gamePly];
  pos->gamePly = 0;
  pos->ply = 0;
  pos->listStart[0] = 0;

  std::vector<PerftLine> lines;
  const auto start = std::chrono::steady_clock::now();
  const std::uint64_t total = perft(*pos, static_cast<int>(depth), &lines);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  for (const PerftLine& line : lines) std::printf("%s: %" PRIu64 "\n", moveToCoordinate(line.move), line.nodes);
  const std::uint64_t nps = ms > 0 ? total * 1000 / static_cast<std::uint64_t>(ms) : total * 1000;
  std::printf("\nNodes searched: %" PRIu64 "\nTime: %lld ms, %" PRIu64 " nodes per second\n", total,
              static_cast<long long>(ms), nps);
  std::fflush(stdout);
}
