#include "board/movegen.h"

#include <gtest/gtest.h>

#include <vector>

#include "board/makemove.h"
#include "eval/evaluate.h"
#include "support/board_setup.h"

namespace velt {

namespace {

std::vector<ScoredMove> currentList(const Position& pos) {
  return {pos.moveList + pos.listStart[pos.ply], pos.moveList + pos.listStart[pos.ply + 1]};
}

// The entries of the list from `from` to `to`, in list order.
std::vector<ScoredMove> movesBetween(const Position& pos, const char* from, const char* to) {
  std::vector<ScoredMove> found;
  for (const ScoredMove& entry : currentList(pos)) {
    if (moveFrom(entry.move) == sq(from) && moveTo(entry.move) == sq(to)) found.push_back(entry);
  }
  return found;
}

// Promotions among the captures: the queen, a knight only when it checks, all of them
// when asked for (the bishop only where the position allows it), captures alike.
TEST(GenerateCaptures, Promotions) {
  struct Case {
    const char* fen;
    bool all, bishops;
    std::vector<int> types;
  };
  const Case cases[] = {
      {"8/4P3/8/8/8/8/8/K6k w - -", false, true, {QUEEN}},
      {"8/4P1k1/8/8/8/8/8/K7 w - -", false, true, {QUEEN, KNIGHT}},
      {"3r4/4P3/8/8/8/8/8/K6k w - -", true, false, {QUEEN, KNIGHT, ROOK}},
      {"3r4/4P3/8/8/8/8/8/K6k w - -", true, true, {QUEEN, KNIGHT, ROOK, BISHOP}},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    pos->bishopPromotions = c.bishops;
    generateCaptures(*pos, pos->colourBB[BLACK], c.all);
    std::vector<int> types;
    for (const ScoredMove& entry : movesBetween(*pos, "e7", "e8")) types.push_back(movePromotion(entry.move));
    EXPECT_EQ(types, c.types) << c.fen;
    if (c.all) {
      EXPECT_EQ(movesBetween(*pos, "e7", "d8").size(), types.size()) << c.fen;
    }
  }
}

TEST(IsMovePlayable, StoredMoves) {
  auto pos = positionFromFen("4k3/P7/8/3p4/8/2n5/8/R3K2R w KQ -");
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(sq("a1"), sq("a5"), 0)));
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("a1"), sq("a8"), 0)));  // through the pawn
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("a7"), sq("a8"), 0x10000000)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(E1, D1, 0)));  // the knight covers d1
  EXPECT_TRUE(isMovePlayable(*pos, makeMoveWord(E1, sq("f2"), 0)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("h1"), sq("h3"), 0x10000000)));  // flags of a pawn
  EXPECT_FALSE(isMovePlayable(*pos, MOVE_NONE));
  // A killer that captures here.
  pos = positionFromFen("4k3/8/8/3p4/8/8/8/3RK3 w - -");
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("d1"), sq("d5"), 0)));
  EXPECT_FALSE(isMovePlayable(*pos, makeMoveWord(sq("d1"), sq("d5"), FLAG_CAPTURE)));
}

}  // namespace

}  // namespace velt
