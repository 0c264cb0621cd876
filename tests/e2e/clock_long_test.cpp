// Clock behaviour through both protocols: searches bounded by the clock, pondering
// and its hits and misses, and the progress lines an analysis prints every second.
// They take real time, so they run with the long suite.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/game_check.h"
#include "support/protocol_session.h"

namespace velt {

namespace {

TEST(UciClock, PonderThenPonderhitOrStop) {
  UciEngine uci;
  uci.engine.send("setoption name Ponder value true");
  uci.engine.send("position startpos moves e2e4");
  uci.engine.send("go ponder wtime 5000 btime 5000");
  uci.engine.send("isready");
  Lines before;
  ASSERT_TRUE(uci.engine.waitForLine("readyok", 20000, &before));
  for (const std::string& line : before) EXPECT_NE(line.rfind("bestmove", 0), 0u) << line;
  uci.engine.send("ponderhit");
  GameCheck game;
  ASSERT_TRUE(game.play("e2e4"));
  EXPECT_TRUE(game.isLegal(uci.bestMove()));

  uci.engine.send("position startpos moves d2d4");
  uci.engine.send("go ponder wtime 5000 btime 5000");
  uci.engine.send("stop");
  std::string ponder;
  const std::string move = uci.bestMove(nullptr, &ponder);
  GameCheck other;
  ASSERT_TRUE(other.play("d2d4"));
  EXPECT_TRUE(other.isLegal(move));
  EXPECT_EQ(ponder, "");  // a stopped search names no ponder move
}

// An analysis never falls silent: a long iteration (eight pawns up) and a search that
// proved the mate and reached the depth limit (two queens) both print a progress line
// (time, nodes, nps) at least once a second until "stop".
TEST(UciClock, AnalysisPrintsProgressUntilStop) {
  for (const char* fen : {"4k3/8/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/QQ2K3 w - - 0 1"}) {
    SCOPED_TRACE(fen);
    UciEngine uci;
    uci.engine.send(std::string("position fen ") + fen);
    uci.engine.send("go infinite");
    unsigned lastMs = 0;
    for (int line = 0; line < 2; ++line) {
      const auto progress = uci.engine.waitForLine("info time ", 120000);
      ASSERT_TRUE(progress);
      unsigned timeMs = 0, nps = 0, hits = 0;
      unsigned long long nodes = 0;
      EXPECT_EQ(std::sscanf(progress->c_str(), "info time %u nodes %llu nps %u tbhits %u", &timeMs, &nodes, &nps,
                            &hits),
                4)
          << *progress;
      EXPECT_GE(timeMs, lastMs + 900u);
      EXPECT_GT(nodes, 0u);
      lastMs = timeMs;
    }
    uci.engine.send("stop");
    GameCheck game(fen);
    EXPECT_TRUE(game.isLegal(uci.bestMove()));
  }
}

TEST(XboardClock, PlayotherGoAndTimeControls) {
  XboardEngine xboard;
  xboard.engine.send("new");
  xboard.engine.send("level 40 5 0");
  xboard.engine.send("st 1");
  xboard.engine.send("playother");  // the engine plays black; white to move
  xboard.engine.send("d2d4");
  GameCheck game;
  ASSERT_TRUE(game.play("d2d4"));
  ASSERT_TRUE(game.play(xboard.engineMove()));
  xboard.engine.send("force");
  xboard.engine.send("go");  // now the engine plays white
  EXPECT_TRUE(game.play(xboard.engineMove()));
}

// "level" cannot write a base under a second; with a zero base the engine plays by
// the clock that "time" reports instead of searching without limit.
TEST(XboardClock, SubSecondControlPlaysByTheReportedClock) {
  XboardEngine xboard;
  xboard.engine.send("new");
  xboard.engine.send("level 0 0:00 0.005");
  xboard.engine.send("time 50");
  xboard.engine.send("otim 50");
  xboard.engine.send("go");
  const auto move = xboard.engine.waitForLine("move ", 5000);
  ASSERT_TRUE(move.has_value());
  GameCheck game;
  EXPECT_TRUE(game.play(move->substr(5)));
}

// The engine ponders on the reply "hint" names; playing it is a ponder hit that the
// running search answers, playing another move a miss that takes the reply back. A
// search whose principal variation has a single move gives nothing to ponder on, so
// the test plays on until the engine ponders.
TEST(XboardClock, PonderHitAndMiss) {
  XboardEngine xboard;
  xboard.engine.send("new");
  xboard.engine.send("hard");
  xboard.engine.send("st 1");
  GameCheck game;
  const char* const fillers[] = {"a2a3", "h2h3", "b2b3", "g2g3", "a3a4", "h3h4"};
  auto playOther = [&](const std::string& avoid) {
    for (const char* move : fillers) {
      if (move != avoid && game.isLegal(move)) {
        EXPECT_TRUE(game.play(move));
        xboard.engine.send(move);
        return;
      }
    }
    FAIL() << "no filler move";
  };
  playOther("");
  ASSERT_TRUE(game.play(xboard.engineMove()));
  int hits = 0;
  for (int turn = 0; turn < 6 && hits < 2; ++turn) {
    xboard.engine.send("hint");
    const auto hint = xboard.engine.waitForLine("Hint: ", 5000);
    if (hint && hits == 0) {
      // The expected move: the ponder search goes on as the real one.
      const std::string expected = hint->substr(6);
      ASSERT_TRUE(game.play(expected)) << expected;
      xboard.engine.send(expected);
      ++hits;
    } else {
      playOther(hint ? hint->substr(6) : "");
      hits += hint.has_value();
    }
    ASSERT_TRUE(game.play(xboard.engineMove()));
  }
  EXPECT_EQ(hits, 2);
}

}  // namespace

}  // namespace velt
