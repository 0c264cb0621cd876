#include "search/quiesce.h"

#include <gtest/gtest.h>

#include <memory>

#include "board/coordinate.h"
#include "board/makemove.h"
#include "search/margins.h"
#include "search/node.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "support/board_setup.h"

namespace {

class NodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ttAllocate((1u << 14) - 4));
    ttClear();
    ttSetWindow(-500);
    ttNewSearch();
    loadSearchMargins(0, 0);
    setDrawScores(WHITE, 0);
    selDepthHalfPlies = 0;
    iterationDepth = 2;  // no input poll in the first iterations
  }
  void TearDown() override { ttRelease(); }

  // The position from `fen` after the moves (coordinate text), ready for a node routine.
  static std::unique_ptr<Position> after(const char* fen, std::initializer_list<const char*> moves) {
    std::unique_ptr<Position> pos = positionFromFen(fen);
    pos->stop = 0;
    pos->threadIndex = 1;  // never polls
    for (const char* text : moves) {
      Move move = MOVE_NONE;
      EXPECT_TRUE(parseMoveText(*pos, text, move)) << text;
      EXPECT_TRUE(makeMove(*pos, move, -MATE_SCORE, MATE_SCORE)) << text;
    }
    return pos;
  }

  static bool tableEntry(const Position& pos, TTHit& hit) {
    TTEntry* bucket = ttBucket(pos.hashKey);
    for (int i = 0; i < 4; ++i) {
      if (ttMatches(bucket[i], pos.hashKey) && bucket[i].word0 != 0) return ttRead(bucket[i], pos.hashKey, hit);
    }
    return false;
  }
};

TEST_F(NodeTest, QuietPositionStandsPatAndStoresAnUpperBound) {
  auto pos = after("4k3/8/8/8/8/8/4P3/4K3 w - -", {"e2e3"});
  const int standPat = nodeEval(*pos) + standPatBonus;
  EXPECT_EQ(quiesce(*pos, -1000, 1000, 4), standPat);
  TTHit hit;
  ASSERT_TRUE(tableEntry(*pos, hit));
  EXPECT_EQ(hit.bound, TT_UPPER);
  EXPECT_EQ(hit.depth, 1);
  EXPECT_EQ(hit.score, standPat);
  EXPECT_EQ(pos->nodes, 1u);
}

TEST_F(NodeTest, StandPatAtOrAboveBetaReturnsAtOnceWithoutStoring) {
  auto pos = after("4k3/8/8/8/8/8/4P3/4K3 w - -", {"e2e3"});
  const int standPat = nodeEval(*pos) + standPatBonus;
  EXPECT_EQ(quiesce(*pos, standPat - 20, standPat - 10, 4), standPat);
  TTHit hit;
  EXPECT_FALSE(tableEntry(*pos, hit));
}

TEST_F(NodeTest, CaptureRaisesTheScore) {
  // Black to move can take an undefended rook.
  auto pos = after("4k3/8/8/8/8/8/3r4/R3K3 w - -", {"a1a2"});
  const int standPat = nodeEval(*pos) + standPatBonus;
  EXPECT_GT(quiesce(*pos, -2000, 2000, 4), standPat + 300);
}

TEST_F(NodeTest, MateInQuiescenceScoresThePly) {
  auto pos = after("6k1/5ppp/8/8/8/8/8/R5K1 w - -", {"a1a8"});
  ASSERT_TRUE(nodeInCheck(*pos));
  EXPECT_EQ(quiesceInCheck(*pos, -MATE_SCORE, MATE_SCORE, 4), 1 - MATE_SCORE);
  // Far below alpha only captures are tried: no mate is claimed.
  const int e = nodeEval(*pos) + evasionBonus;
  const int score = quiesceInCheck(*pos, e + 1000, e + 1001, 4);
  EXPECT_LT(score, e + 1000);
  EXPECT_GT(score, -MATE_BOUND);
}

TEST_F(NodeTest, RepetitionIsADrawInsideTheSearch) {
  auto pos = after("4k2n/8/8/8/8/8/8/1N2K3 w - -", {"b1c3", "h8g6", "c3b1", "g6h8"});
  ASSERT_EQ(pos->rule50, 4);
  setDrawScores(WHITE, 35);  // contempt: the side to move (white) scores -35
  EXPECT_EQ(searchPV(*pos, -1000, 1000, 6, 0, 0), -35);
  EXPECT_EQ(searchZW(*pos, 1, 4), 0);
  EXPECT_EQ(quiesce(*pos, -1000, 1000, 4), 0);  // the plain draw score in quiescence
  // One move less and the position is new.
  auto fresh = after("4k2n/8/8/8/8/8/8/1N2K3 w - -", {"b1c3", "h8g6", "c3b1"});
  EXPECT_TRUE(isRepetition(*pos));
  EXPECT_FALSE(isRepetition(*fresh));
}

TEST_F(NodeTest, NullMoveKeepsKeysAndIsTakenBack) {
  auto start = after("4k3/3p4/8/4P3/8/8/8/4K3 b - -", {"d7d5"});
  ASSERT_EQ(start->epSquare, 43);
  const Position before = *start;
  makeNullMove(*start, 17);
  EXPECT_EQ(start->side, BLACK);
  EXPECT_EQ(start->epSquare, -1);
  EXPECT_EQ(nodeEval(*start), 17);
  EXPECT_FALSE(nodeInCheck(*start));
  unmakeMove(*start);
  EXPECT_EQ(start->hashKey, before.hashKey);
  EXPECT_EQ(start->epSquare, 43);
  EXPECT_EQ(start->side, before.side);
  EXPECT_EQ(start->gamePly, before.gamePly);
}

TEST_F(NodeTest, ExcludedMoveChangesTheTableKey) {
  auto pos = after("4k3/8/8/8/8/8/4P3/4K3 w - -", {"e2e3"});
  Move move = MOVE_NONE;
  ASSERT_TRUE(parseMoveText(*pos, "e8d8", move));
  EXPECT_EQ(excludedKey(*pos, MOVE_NONE), pos->hashKey);
  EXPECT_NE(excludedKey(*pos, move), pos->hashKey);
  Move other = MOVE_NONE;
  ASSERT_TRUE(parseMoveText(*pos, "e8f8", other));
  EXPECT_NE(excludedKey(*pos, move), excludedKey(*pos, other));
}

}  // namespace
