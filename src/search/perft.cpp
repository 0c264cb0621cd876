#include "search/perft.h"

#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"

namespace velt {

namespace {

// Perft needs the attack maps of each position, not its score: a window no score
// reaches lets the evaluation take its lazy exit, which still fills the maps,
// wherever it may (beyond ply 2).
constexpr int NO_SCORE_NEEDED = MATE_BOUND;

// Makes each move of the ply's current list and counts below the legal ones.
std::uint64_t countList(EvalPosition& pos, int depth, std::vector<PerftLine>* lines);

std::uint64_t countNode(EvalPosition& pos, int depth, std::vector<PerftLine>* lines) {
  if (inCheck(pos.checkInfo[pos.gamePly])) {
    generateEvasions(pos, ~Bitboard{0});
    return countList(pos, depth, lines);
  }
  generateCaptures(pos, pos.colourBB[pos.xside], true);
  std::uint64_t nodes = countList(pos, depth, lines);
  generateQuiets(pos);
  return nodes + countList(pos, depth, lines);
}

std::uint64_t countList(EvalPosition& pos, int depth, std::vector<PerftLine>* lines) {
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

std::uint64_t perft(EvalPosition& pos, int depth, std::vector<PerftLine>* lines) {
  if (depth < 1) return 1;
  // Perft counts true legal moves: bishop promotions are generated for its run.
  const bool savedBishopPromotions = pos.bishopPromotions;
  pos.bishopPromotions = true;
  pos.listStart[pos.ply + 1] = pos.listStart[pos.ply];
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  const std::uint64_t nodes = countNode(pos, depth, lines);
  pos.bishopPromotions = savedBishopPromotions;
  return nodes;
}

}  // namespace velt
