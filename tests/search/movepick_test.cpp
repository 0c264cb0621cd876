#include "search/movepick.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "board/coordinate.h"
#include "board/movegen.h"
#include "search/history.h"
#include "support/board_setup.h"

namespace {

Move parse(const Position& pos, const char* text) {
  Move move = MOVE_NONE;
  EXPECT_TRUE(parseMoveText(pos, text, move)) << text;
  return move;
}

std::vector<Move> drain(Position& pos) {
  std::vector<Move> moves;
  while (const Move move = nextMove(pos)) moves.push_back(move);
  return moves;
}

TEST(MovePicker, StagesComeInOrderAndLosingCapturesLast) {
  auto pos = positionFromFen("4k3/2p5/3p4/8/8/6r1/3Q4/4K2N w - -");
  resetHistory();
  const Move hash = parse(*pos, "d2d3");
  pos->killers[0][0] = parse(*pos, "d2c3");
  pos->killers[0][1] = parse(*pos, "e1d1");
  pos->pickState[0].altMove = MOVE_NONE;
  pickStart(*pos, PICK_HASH, hash, 0, 0);
  const std::vector<Move> moves = drain(*pos);
  ASSERT_GE(moves.size(), 6u);
  EXPECT_EQ(moves[0], hash);
  EXPECT_EQ(moves[1], parse(*pos, "h1g3"));  // the winning capture
  EXPECT_EQ(moves[2], parse(*pos, "d2c3"));  // killers
  EXPECT_EQ(moves[3], parse(*pos, "e1d1"));
  EXPECT_EQ(moves.back(), parse(*pos, "d2d6"));  // queen for a defended pawn: deferred
  // Every pseudo-legal move exactly once.
  generateAllMoves(*pos);
  const std::set<Move> handed(moves.begin(), moves.end());
  EXPECT_EQ(handed.size(), moves.size());
  EXPECT_EQ(static_cast<int>(moves.size()), pos->listStart[1] - pos->listStart[0]);
}

TEST(MovePicker, QuietMovesFollowHistory) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/8/R3K3 w - -");
  resetHistory();
  const Move favourite = parse(*pos, "a1a7");
  historyTable[1][moveTo(favourite)][pos->board[moveFrom(favourite)]] = 5000;
  pos->killers[0][0] = pos->killers[0][1] = MOVE_NONE;
  pickStart(*pos, PICK_HASH, MOVE_NONE, 1, 0);
  EXPECT_EQ(nextMove(*pos), favourite);
  pickStart(*pos, PICK_HASH, MOVE_NONE, 0, 0);
  EXPECT_NE(nextMove(*pos), favourite);  // the other bank does not know it
}

TEST(MovePicker, FutileNodesTryOnlyCapturesAndChecks) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/1p6/1R2K2R w - -");
  pickStart(*pos, PICK_FUTILE_HASH, MOVE_NONE, 0, 0);
  const std::vector<Move> moves = drain(*pos);
  const std::set<Move> expected = {parse(*pos, "b1b2"), parse(*pos, "h1h8")};
  EXPECT_EQ(std::set<Move>(moves.begin(), moves.end()), expected);
  // With strictCaptures pawns are taken only by a checking move.
  pickStart(*pos, PICK_FUTILE_HASH, MOVE_NONE, 1, 0);
  const std::vector<Move> strict = drain(*pos);
  EXPECT_EQ(std::set<Move>(strict.begin(), strict.end()), std::set<Move>{parse(*pos, "h1h8")});
}

TEST(MovePicker, EvasionsAreOrderedHashCapturesKillers) {
  auto pos = positionFromFen("4k3/8/8/8/8/1N6/3q4/4K3 w - -");
  pos->killers[0][0] = parse(*pos, "e1f1");
  const Move hash = parse(*pos, "b3d2");
  EXPECT_EQ(pickEvasions(*pos, hash, 0), 3);
  EXPECT_EQ(nextMove(*pos), hash);
  EXPECT_EQ(nextMove(*pos), parse(*pos, "e1d2"));
  EXPECT_EQ(nextMove(*pos), parse(*pos, "e1f1"));
  EXPECT_EQ(nextMove(*pos), MOVE_NONE);
}

TEST(ExtensionPassedPawn, EnemyPawnsAheadAndBesideTheWay) {
  struct Case {
    const char* fen;
    int square;
    int colour;
    bool passed;
  };
  const int e5 = 36, d4 = 27;
  const Case cases[] = {
      {"4k3/8/8/4P3/8/8/8/4K3 w - -", e5, WHITE, true},
      {"4k3/4p3/8/4P3/8/8/8/4K3 w - -", e5, WHITE, false},   // own file ahead
      {"4k3/3p4/8/4P3/8/8/8/4K3 w - -", e5, WHITE, false},   // beside, two ranks ahead
      {"4k3/8/8/3pP3/8/8/8/4K3 w - -", e5, WHITE, true},     // level with it
      {"4k3/8/3p4/4P3/8/8/8/4K3 w - -", e5, WHITE, false},   // attacked, undefended
      {"4k3/8/3p4/4P3/5P2/8/8/4K3 w - -", e5, WHITE, true},  // attacked, defended
      {"4k3/8/3p1p2/4P3/5P2/8/8/4K3 w - -", e5, WHITE, false},
      {"4k3/8/3p1p2/4P3/3P1P2/8/8/4K3 w - -", e5, WHITE, true},
      {"4k3/8/8/8/3p4/8/3P4/4K3 b - -", d4, BLACK, false},   // black: ahead is downwards
      {"4k3/8/8/8/3p4/8/8/4K3 b - -", d4, BLACK, true},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    EXPECT_EQ(passedPawnTest(*pos, c.square, c.colour), c.passed) << c.fen;
  }
}

TEST(CheckThreat, DirectAndDiscoveredChecks) {
  auto quiet = positionFromFen("4k3/8/8/8/8/2N5/8/B3K3 w - -");
  EXPECT_FALSE(mayGiveCheck(*quiet, parse(*quiet, "c3d5")));
  auto knight = positionFromFen("4k3/8/8/8/4N3/8/8/4K3 w - -");
  EXPECT_TRUE(givesDirectCheck(*knight, parse(*knight, "e4d6")));
  EXPECT_FALSE(givesDirectCheck(*knight, parse(*knight, "e4c5")));
  auto discovered = positionFromFen("7k/8/8/8/8/2N5/8/B3K3 w - -");
  EXPECT_TRUE(givesDiscoveredCheck(*discovered, parse(*discovered, "c3e4")));
  EXPECT_TRUE(mayGiveCheck(*discovered, parse(*discovered, "c3e4")));
  auto rook = positionFromFen("4k3/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_TRUE(givesDirectCheck(*rook, parse(*rook, "a1a8")));
  EXPECT_FALSE(givesDirectCheck(*rook, parse(*rook, "a1a7")));
}

}  // namespace
