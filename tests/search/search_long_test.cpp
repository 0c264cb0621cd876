#include <gtest/gtest.h>

#include "board/position.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/worker.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "support/search_fixture.h"

namespace velt {

namespace {

using DeepSearchTest = SearchFixture;

TEST_F(DeepSearchTest, DeeperTactics) {
  struct Case {
    const char* fen;
    int depth;
    const char* move;
    int minScore;
  };
  const Case cases[] = {
      // Mate in 2 (the set) searched deep.
      {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq -", 12, "d5f6", MATE_SCORE - 3},
      // Mate in 3 by a rook swing.
      {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - -", 12, "f6a6", MATE_SCORE - 5},
      // Win at Chess positions that need more depth.
      {"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -", 10, "g3g6", 300},
      // Winning the queen by a fork after a deep search.
      {"r1b1k1nr/ppp2ppp/2n5/2bqp3/8/2NP1N2/PPP1BPPP/R1BQK2R w KQkq -", 14, "c3d5", 400},
  };
  for (const Case& c : cases) {
    const SearchResult r = search(c.fen, c.depth);
    EXPECT_EQ(r.move, c.move) << c.fen;
    EXPECT_GE(r.score, c.minScore) << c.fen;
  }
}

TEST_F(DeepSearchTest, ClockedSearchPlaysWithOneSecondLeft) {
  newGame(engine(), true);
  ASSERT_TRUE(parseFen(engine().gamePosition, "r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -"));
  engine().timeControl.baseTime = 6000;
  engine().timeControl.clockCs[WHITE] = engine().timeControl.clockCs[BLACK] = 100;
  engine().timeControl.maxSearchDepth = 60;
  searchRoot(engine());
  EXPECT_NE(engine().search.bestMove, MOVE_NONE);
  EXPECT_LT(engine().search.iterationDepth, 2 * 60);  // ended by the clock, not by the depth limit
}

}  // namespace

}  // namespace velt
