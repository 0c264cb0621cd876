#include <gtest/gtest.h>

#include <string>

#include "board/position.h"
#include "search/parallel.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "support/search_fixture.h"

namespace velt {

namespace {

using SearchTest = SearchFixture;

// Mates, material wins and test positions with their known solutions: the move (when
// only one works), a lowest score and the mate distance the thinking line shows.
TEST_F(SearchTest, TacticsAndMates) {
  struct Case {
    const char* fen;
    int depth;
    const char* move;
    int minScore;
    const char* shown;
  };
  const Case cases[] = {
      {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq -", 6, "d5f6", MATE_SCORE - 3, "score mate 2 "},
      {"2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - -", 8, "b1g6", MATE_SCORE - 5, "score mate 3 "},
      {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - -", 8, "f6a6", MATE_SCORE - 5, nullptr},
      {"8/8/8/8/8/2k5/8/K1q5 w - -", 6, "a1a2", 2 - MATE_SCORE, "score mate -1 "},  // the only move, into mate
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", 4, "a1a8", MATE_SCORE - 1, nullptr},
      {"k7/8/2K5/8/8/8/8/7R w - -", 6, nullptr, MATE_SCORE - 3, nullptr},  // quiet king move first
      {"r1b1k1nr/ppp2ppp/2n5/2bqp3/8/2NP1N2/PPP1BPPP/R1BQK2R w KQkq -", 8, "c3d5", 500, nullptr},
      {"2q3k1/8/8/3N4/8/8/8/6K1 w - -", 6, "d5e7", 150, nullptr},  // a lone knight is drawish
      {"4k3/8/8/8/8/8/3q4/3RK3 w - -", 4, nullptr, 400, nullptr},
      {"r3k3/8/8/8/8/8/8/R3K3 w Q -", 6, "a1a8", 400, nullptr},
      // Well-known test positions ("Win at Chess") with their published solutions.
      {"5rk1/1ppb3p/p1pb4/6q1/3P1p1r/2P1R2P/PP1BQ1P1/5RKN w - -", 6, "e3g3", -MATE_BOUND, nullptr},
      {"r1bq2rk/pp3pbp/2p1p1pQ/7P/3P4/2PB1N2/PP3PPR/2KR4 w - -", 6, "h6h7", -MATE_BOUND, nullptr},
      {"5k2/6pp/p1qN4/1p1p4/3P4/2PKP2Q/PP3r2/3R4 b - -", 6, "c6c4", -MATE_BOUND, nullptr},
      {"7k/p7/1R5K/6r1/6p1/6P1/8/8 w - -", 6, "b6b7", -MATE_BOUND, nullptr},
      {"rnbqkb1r/pppp1ppp/8/4P3/6n1/7P/PPPNPPP1/R1BQKBNR b KQkq -", 6, "g4e3", -MATE_BOUND, nullptr},
      {"r4q1k/p2bR1rp/2p2Q1N/5p2/5p2/2P5/PP3PPP/R5K1 w - -", 6, "e7f7", -MATE_BOUND, nullptr},
      {"3q1rk1/p4pp1/2pb3p/3p4/6Pr/1PNQ4/P1PB1PP1/4RRK1 b - -", 6, "d6h2", -MATE_BOUND, nullptr},
      {"2br2k1/2q3rn/p2NppQ1/2p1P3/Pp5R/4P3/1P3PPP/3R2K1 w - -", 6, "h4h7", -MATE_BOUND, nullptr},
  };
  for (const Case& c : cases) {
    const SearchResult r = search(c.fen, c.depth);
    if (c.move != nullptr) {
      EXPECT_EQ(r.move, c.move) << c.fen;
    }
    EXPECT_GE(r.score, c.minScore) << c.fen;
    if (c.minScore < -MATE_BOUND) {
      EXPECT_EQ(r.score, c.minScore) << c.fen;
    }
    if (c.shown != nullptr) {
      EXPECT_NE(r.output.find(c.shown), std::string::npos) << r.output;
    }
  }
}

TEST_F(SearchTest, MultiPVPrintsOneLinePerLegalMove) {
  engine().options.multiPV = 3;
  const SearchResult r = search("k7/8/8/8/8/8/8/K6r w - -", 6);
  engine().options.multiPV = 1;
  EXPECT_NE(r.output.find("info multipv 1 score "), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("info multipv 2 score "), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("info multipv 3 "), std::string::npos) << r.output;
  EXPECT_TRUE(r.move == "a1a2" || r.move == "a1b2") << r.move;

  // Lines of shallow iterations, whose scores run high from the start position, give
  // way to the deeper results: the last lines printed are all of the last depth.
  engine().options.multiPV = 3;
  const SearchResult opening = search("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 8);
  engine().options.multiPV = 1;
  const std::string& out = opening.output;
  std::size_t from = std::string::npos;
  for (int line = 3; line >= 1; --line) {
    from = out.rfind("info multipv " + std::to_string(line) + " ", from);
    ASSERT_NE(from, std::string::npos) << out;
    const std::string text = out.substr(from, out.find('\n', from) - from);
    EXPECT_NE(text.find(" depth 8 "), std::string::npos) << text;
  }
}

TEST_F(SearchTest, SearchMovesRestrictTheRoot) {
  const SearchResult r = search("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 4, "g1f1 g1h1");
  EXPECT_TRUE(r.move == "g1f1" || r.move == "g1h1") << r.move;
  // A list that names no legal move is ignored.
  EXPECT_EQ(search("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 4, "e2e4 a1a9").move, "a1a8");
}

// Analysis runs until stopped: a clock left by an earlier game sets it no time limit.
TEST_F(SearchTest, AnalysisIgnoresTheClock) {
  engine().timeControl.baseTime = 500;
  engine().timeControl.clockCs[WHITE] = engine().timeControl.clockCs[BLACK] = 500;
  setAnalysisMode(engine(), true);
  search("r1b1k1nr/ppp2ppp/2n5/2bqp3/8/2NP1N2/PPP1BPPP/R1BQK2R w KQkq -", 3);
  setAnalysisMode(engine(), false);
  EXPECT_EQ(engine().timeControl.timePerMove, 0);
}

TEST_F(SearchTest, XboardThinkingLineFormat) {
  engine().engineFlags = FLAG_XBOARD | FLAG_POST;
  const SearchResult r = search("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 2);
  // depth, score, centiseconds and nodes, then the line in algebraic notation.
  EXPECT_NE(r.output.find(" 1 29999 "), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("   Ra8"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("info"), std::string::npos) << r.output;
}

// Several threads split the tree from depth 4 on: the results stay right (node
// counts vary from run to run by design).
TEST_F(SearchTest, SeveralThreadsFindTheSameResults) {
  struct Case {
    const char* fen;
    const char* move;
    int minScore;
  };
  const Case cases[] = {
      {"r1b1k1nr/ppp2ppp/2n5/2bqp3/8/2NP1N2/PPP1BPPP/R1BQK2R w KQkq -", "c3d5", 500},
      {"r5rk/5p1p/5R2/4B3/8/8/7P/7K w - -", "f6a6", MATE_SCORE - 5},
      {"5rk1/1ppb3p/p1pb4/6q1/3P1p1r/2P1R2P/PP1BQ1P1/5RKN w - -", "e3g3", 200},
  };
  setSearchThreads(engine(), 4);
  for (const Case& c : cases) {
    const SearchResult r = search(c.fen, 9);
    EXPECT_EQ(r.move, c.move) << c.fen;
    EXPECT_GE(r.score, c.minScore) << c.fen;
    EXPECT_LE(r.score, MATE_SCORE) << c.fen;
  }
  setSearchThreads(engine(), 1);
}

}  // namespace

}  // namespace velt
