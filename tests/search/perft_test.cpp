#include "search/perft.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/board_setup.h"

namespace velt {

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
    // En passant that would expose the king, castling rights with a lone rook,
    // castling through attacks, promotions giving and escaping check.
    {"3k4/3p4/8/K1P4r/8/8/8/8 b - -", 4, 10138},
    {"8/8/4k3/8/2p5/8/B2P2K1/8 w - -", 4, 10276},
    {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3", 4, 13931},
    {"5k2/8/8/8/8/8/8/4K2R w K -", 4, 6399},
    {"3k4/8/8/8/8/8/8/R3K3 w Q -", 4, 7418},
    {"r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", 2, 1141},
    {"r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq -", 2, 1494},
    {"2K2r2/4P3/8/8/8/8/8/3k4 w - -", 4, 19174},
    {"8/8/1P2K3/8/2n5/1q6/8/5k2 b - -", 3, 5160},
    {"4k3/1P6/8/8/8/8/K7/8 w - -", 4, 2661},
    {"8/P1k5/K7/8/8/8/8/8 w - -", 4, 1329},
    {"K1k5/8/P7/8/8/8/8/8 w - -", 4, 63},
    {"8/k1P5/8/1K6/8/8/8/8 w - -", 5, 10857},
    {"8/8/2k5/5q2/5n2/8/5K2/8 b - -", 2, 183},
};

TEST(Perft, KnownCounts) {
  for (const PerftCase& c : knownCounts) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(perft(*pos, c.depth), c.nodes) << c.fen;
  }
}

// Chess960 castling, counts from Debian's stockfish ("go perft" with UCI_Chess960
// on): a middle game, kings on b, d and g with rooks beside them, a king already on
// its castling square and rooks already on theirs, inner rooks named by file, a
// king whose path is attacked beyond the usual squares, and a rook on b1 that shields
// the king's castling square from a queen on a1.
const PerftCase chess960Counts[] = {
    {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", 3, 12189},
    {"1r2k2r/8/8/8/8/8/8/R2K3R w HAhb - 0 1", 3, 13736},
    {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", 3, 11099},
    {"r5kr/8/8/8/8/8/8/R5KR w HAha - 0 1", 3, 11069},
    {"r4rk1/8/8/8/8/8/8/R4RK1 w AFaf - 0 1", 3, 13170},
    {"3rk3/8/8/8/8/8/8/3RKR2 w FDd - 0 1", 4, 61186},
    {"rkr5/8/8/8/8/8/8/RKR5 w CAca - 0 1", 3, 6855},
    {"r1r1k2r/8/8/8/8/8/8/R1R1K2R w HChc - 0 1", 3, 26942},
    {"4k3/8/8/8/8/8/3b4/RK5R w HA - 0 1", 4, 82736},
    {"1k6/8/8/8/8/8/6b1/4RKR1 w GE - 0 1", 4, 7807},
    {"3k4/8/8/8/8/8/8/qRK4R w HB - 0 1", 4, 106653},
};

TEST(Perft, Chess960Castling) {
  for (const PerftCase& c : chess960Counts) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(perft(*pos, c.depth), c.nodes) << c.fen;
  }
}

// A few hundred positions from random play with castling, en passant, promotions,
// pins and checks, each at a depth that keeps its count small.
TEST(Perft, RandomPositionList) {
  std::ifstream file(VELT_SOURCE_DIR "/tests/board/data/perft_positions.txt");
  ASSERT_TRUE(file.is_open());
  std::string line;
  int checked = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string fen, depth, nodes;
    std::getline(fields, fen, ';');
    std::getline(fields, depth, ';');
    std::getline(fields, nodes, ';');
    auto pos = positionFromFen(fen.c_str());
    EXPECT_EQ(perft(*pos, std::stoi(depth)), std::stoull(nodes)) << fen;
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

}  // namespace

}  // namespace velt
