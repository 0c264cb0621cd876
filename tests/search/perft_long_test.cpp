#include "search/perft.h"

#include <gtest/gtest.h>

#include "support/board_setup.h"

namespace velt {

namespace {

struct PerftCase {
  const char* fen;
  int depth;
  std::uint64_t nodes;
};

class DeepPerft : public ::testing::TestWithParam<PerftCase> {};

TEST_P(DeepPerft, MatchesKnownCount) {
  const PerftCase& c = GetParam();
  auto pos = positionFromFen(c.fen);
  EXPECT_EQ(perft(*pos, c.depth), c.nodes) << c.fen << " depth " << c.depth;
}

INSTANTIATE_TEST_SUITE_P(
    KnownPositions, DeepPerft,
    ::testing::Values(
        PerftCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 5, 4865609},
        PerftCase{"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 6, 119060324},
        PerftCase{"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
        PerftCase{"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 5, 193690690},
        PerftCase{"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 6, 11030083},
        PerftCase{"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 5, 15833292},
        PerftCase{"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", 5, 15833292},
        PerftCase{"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 4, 2103487},
        PerftCase{"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w -", 4, 3894594},
        PerftCase{"3k4/3p4/8/K1P4r/8/8/8/8 b - -", 6, 1134888},
        PerftCase{"8/8/4k3/8/2p5/8/B2P2K1/8 w - -", 6, 1015133},
        PerftCase{"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3", 6, 1440467},
        PerftCase{"5k2/8/8/8/8/8/8/4K2R w K -", 6, 661072},
        PerftCase{"3k4/8/8/8/8/8/8/R3K3 w Q -", 6, 803711},
        PerftCase{"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", 4, 1274206},
        PerftCase{"r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq -", 4, 1720476},
        PerftCase{"2K2r2/4P3/8/8/8/8/8/3k4 w - -", 6, 3821001},
        PerftCase{"8/8/1P2K3/8/2n5/1q6/8/5k2 b - -", 5, 1004658},
        PerftCase{"4k3/1P6/8/8/8/8/K7/8 w - -", 6, 217342},
        PerftCase{"8/P1k5/K7/8/8/8/8/8 w - -", 6, 92683},
        PerftCase{"K1k5/8/P7/8/8/8/8/8 w - -", 6, 2217},
        PerftCase{"8/k1P5/8/1K6/8/8/8/8 w - -", 7, 567584},
        PerftCase{"8/8/2k5/5q2/5n2/8/5K2/8 b - -", 4, 23527}));

}  // namespace

}  // namespace velt
