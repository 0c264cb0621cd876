// Speed of the static evaluation: full evaluations per second on a fixed set of
// middle-game positions, and a perft 5 from the start position in which every
// position gets the full evaluation (no lazy exit). Prints the figures.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "board/bitboard.h"
#include "board/movegen.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "eval/pawns.h"
#include "search/engine_core.h"

using namespace velt;

namespace {

const char* const middleGames[] = {
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ -",
    "2r2rk1/1bqnbppp/pp1ppn2/8/2PNP3/1PN1BP2/P2QB1PP/R4RK1 w - -",
    "r2q1rk1/pb1nbppp/1p2pn2/2pp4/3P4/1PNBPN2/PB3PPP/R2Q1RK1 w - -",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3NPP2/2N1B3/PPP1B1PP/R2Q1RK1 w - -",
    "2kr1b1r/ppqn1pp1/2p1pn1p/7P/3P4/3Q1NN1/PPPB1PP1/2KR3R w - -",
    "r1bqr1k1/pp3pbp/2pp1np1/4n3/2PNP3/2N1BP2/PP1QB1PP/R3K2R w KQ -",
};

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t fullPerft(Worker& pos, int depth) {
  generateAllMoves(pos);
  const int first = pos.listStart[pos.ply], end = pos.listStart[pos.ply + 1];
  std::uint64_t nodes = 0;
  for (int i = first; i < end; ++i) {
    if (!makeMove(pos, pos.moveList[i].move, -MATE_SCORE, MATE_SCORE)) continue;
    nodes += depth == 1 ? 1 : fullPerft(pos, depth - 1);
    unmakeMove(pos);
  }
  return nodes;
}

}  // namespace

int main() {
  const auto engine = std::make_unique<EngineCore>();
  if (!buildMaterialTable(engine->evalData.material) || !allocatePawnHash(engine->evalData)) return 1;
  Worker& gamePosition = engine->gamePosition;

  constexpr int rounds = 200000;
  std::uint64_t evaluations = 0;
  int checksum = 0;
  const auto evalStart = std::chrono::steady_clock::now();
  for (const char* fen : middleGames) {
    parseFen(gamePosition, fen);
    for (int i = 0; i < rounds; ++i) checksum += evaluate(gamePosition, NO_WINDOW, MATE_SCORE);
    evaluations += rounds;
  }
  const double evalTime = seconds(evalStart);
  std::printf("Full evaluations: %" PRIu64 " in %.2f s, %.0f per second (checksum %d)\n", evaluations, evalTime,
              evaluations / evalTime, checksum);

  setUpPosition(gamePosition);
  evaluate(gamePosition, NO_WINDOW, MATE_SCORE);
  const auto perftStart = std::chrono::steady_clock::now();
  const std::uint64_t nodes = fullPerft(gamePosition, 5);
  const double perftTime = seconds(perftStart);
  std::printf("Perft 5 with the full evaluation at every node: %" PRIu64 " nodes in %.2f s (%.0f nodes per second)\n",
              nodes, perftTime, nodes / perftTime);
  return 0;
}
