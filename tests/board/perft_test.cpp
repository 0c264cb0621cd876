#include "board/perft.h"

#include <gtest/gtest.h>

#include "support/board_setup.h"

namespace {

struct PerftCase {
  const char* fen;
  int depth;
  std::uint64_t nodes;
};

const PerftCase knownCounts[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 4, 197281},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 3, 97862},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 4, 422333},
    {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", 4, 422333},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 3, 62379},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w -", 3, 89890},
};

TEST(Perft, KnownCounts) {
  for (const PerftCase& c : knownCounts) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(perft(*pos, c.depth), c.nodes) << c.fen;
  }
}

}  // namespace
