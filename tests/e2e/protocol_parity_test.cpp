// The same game through UCI and through xboard: the protocols differ in how often
// they check a move, which must not change what the engine searches.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/protocol_session.h"

namespace velt {
namespace {

const std::string startFen = "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4";
constexpr int SEARCH_DEPTH = 8;
constexpr int SEARCHES = 4;

// The node count of the last UCI line with a principal variation.
long long uciNodes(const Lines& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->find(" pv ") != std::string::npos) return figure(*line, "nodes");
  }
  return -1;
}

// The node count (fourth field) of the last xboard thinking line.
long long xboardNodes(const Lines& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    int depth = 0, score = 0, centiseconds = 0;
    long long nodes = 0;
    if (std::sscanf(line->c_str(), "%d %d %d %lld", &depth, &score, &centiseconds, &nodes) == 4) return nodes;
  }
  return -1;
}

TEST(ProtocolParity, SameGameSameSearchesThroughBothProtocols) {
  UciEngine uci;
  UciEngine replier;  // picks black's moves
  XboardEngine xboard;
  for (const std::string& command : Lines{"new", "easy", "post", "level 0 60 0", "sd " + std::to_string(SEARCH_DEPTH),
                                    "setboard " + startFen}) {
    xboard.engine.send(command);
  }
  std::string moves;
  for (int search = 0; search < SEARCHES; ++search) {
    uci.engine.send("position fen " + startFen + (moves.empty() ? "" : " moves" + moves));
    uci.engine.send("go depth " + std::to_string(SEARCH_DEPTH));
    Lines uciLines;
    const std::string white = uci.bestMove(&uciLines);

    xboard.engine.send("time 360000");
    xboard.engine.send("otim 360000");
    if (search == 0) xboard.engine.send("go");
    Lines xboardLines;
    ASSERT_TRUE(xboard.engine.waitForLine("move ", 60000, &xboardLines));
    ASSERT_EQ(uciNodes(uciLines), xboardNodes(xboardLines)) << "search " << search;

    moves += " " + white;
    replier.engine.send("position fen " + startFen + " moves" + moves);
    replier.engine.send("go depth 4");
    const std::string black = replier.bestMove();
    moves += " " + black;
    xboard.engine.send(black);
  }
}

}  // namespace
}  // namespace velt
