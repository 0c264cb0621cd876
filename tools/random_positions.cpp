// Prints positions reached by random legal play from a set of start positions rich
// in castling, en passant, promotions, pins and checks: the raw material of the
// perft position list in tests/board/data. Usage: random_positions [count] [seed]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/move_step.h"
#include "search/engine_core.h"

using namespace velt;

namespace {

const char* const startPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w -",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -",
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -",
    "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -",
    "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3",
    "4k3/1P6/8/8/8/8/K7/8 w - -",
    "8/P1k5/K7/8/8/8/8/8 w - -",
    "3k4/3p4/8/K1P4r/8/8/8/8 b - -",
    "8/8/2k5/5q2/5n2/8/5K2/8 b - -",
    "4k3/8/8/2PpP3/8/8/8/4K3 w - d6",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq -",
};

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 300;
  std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 4646u);
  const auto engine = std::make_unique<EngineCore>();
  if (!buildMaterialTable(engine->evalData.material) || !allocatePawnHash(engine->evalData)) return 1;
  Worker& gamePosition = engine->gamePosition;
  const int starts = static_cast<int>(sizeof(startPositions) / sizeof(startPositions[0]));
  for (int produced = 0; produced < count;) {
    if (!parseFen(gamePosition, startPositions[produced % starts])) return 1;
    auto pos = std::make_unique<Worker>(gamePosition);
    pos->bishopPromotions = true;
    evaluate(*pos, NO_WINDOW, MATE_SCORE);
    const int length = static_cast<int>(random() % 24);
    bool alive = true;
    for (int ply = 0; ply < length && alive; ++ply) {
      generateAllMoves(*pos);
      std::vector<Move> legal;
      for (int i = pos->listStart[pos->ply]; i < pos->listStart[pos->ply + 1]; ++i) {
        if (makeMove(*pos, pos->moveList[i].move, -MATE_SCORE, MATE_SCORE)) {
          unmakeMove(*pos);
          legal.push_back(pos->moveList[i].move);
        }
      }
      alive = !legal.empty();
      if (alive) makeMove(*pos, legal[random() % legal.size()], -MATE_SCORE, MATE_SCORE);
    }
    char fen[FEN_TEXT_SIZE];
    positionToFen(*pos, fen);
    std::printf("%s\n", fen);
    ++produced;
  }
  return 0;
}
