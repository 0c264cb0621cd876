#include "board/coordinate.h"

#include <gtest/gtest.h>

#include <string>

#include "board/makemove.h"
#include "shell/options.h"
#include "support/board_setup.h"

namespace {

int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

Move parsed(const Position& pos, const char* text) {
  Move move = 12345;
  EXPECT_TRUE(parseMoveText(pos, text, move)) << text;
  return move;
}

void expectRejected(const Position& pos, const char* text) {
  Move move = 12345;
  EXPECT_FALSE(parseMoveText(pos, text, move)) << text;
  EXPECT_EQ(move, 12345u) << text;
}

TEST(MoveToCoordinate, Text) {
  EXPECT_EQ(std::string(moveToCoordinate(makeMoveWord(sq("e2"), sq("e4"), 0x18000000))), "e2e4");
  EXPECT_EQ(std::string(moveToCoordinate(makeMoveWord(sq("e7"), sq("e8"), 0x12000000 | QUEEN << 16))), "e7e8Q");
  EXPECT_EQ(std::string(moveToCoordinate(makeMoveWord(sq("b2"), sq("a1"), 0x13000000 | KNIGHT << 16))), "b2a1N");
  EXPECT_EQ(std::string(moveToCoordinate(makeMoveWord(E8, C8, FLAG_CASTLE_LONG))), "e8c8");
  EXPECT_EQ(std::string(moveToCoordinate(MOVE_NONE)), "a1a1");
}

TEST(ParseMoveText, PromotionsNeedALetter) {
  auto pos = positionFromFen("3r4/4P3/8/8/8/8/8/K6k w - -");
  const Move queen = makeMoveWord(sq("e7"), sq("e8"), 0x12000000 | QUEEN << 16);
  EXPECT_EQ(parsed(*pos, "e7e8q"), queen);
  EXPECT_EQ(parsed(*pos, "e7e8Q"), queen);
  EXPECT_EQ(parsed(*pos, "e7d8b"), makeMoveWord(sq("e7"), sq("d8"), 0x13000000 | BISHOP << 16));
  expectRejected(*pos, "e7e8");
  expectRejected(*pos, "e7e8k");
  expectRejected(*pos, "e7e8p");
}

TEST(ParseMoveText, CastlingTexts) {
  auto pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  const Move shortCastle = makeMoveWord(E1, G1, FLAG_CASTLE_SHORT);
  const Move longCastle = makeMoveWord(E1, C1, FLAG_CASTLE_LONG);
  for (const char* text : {"O-O", "0-0", "o-o", "e1g1"}) EXPECT_EQ(parsed(*pos, text), shortCastle) << text;
  for (const char* text : {"O-O-O", "0-0-0", "e1c1"}) EXPECT_EQ(parsed(*pos, text), longCastle) << text;
  pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  EXPECT_EQ(parsed(*pos, "O-O-O"), makeMoveWord(E8, C8, FLAG_CASTLE_LONG));
  // Without the right, castling text names nothing that can be made.
  pos = positionFromFen("r3k2r/8/8/8/8/8/8/R3K2R w kq -");
  expectRejected(*pos, "O-O");
  expectRejected(*pos, "e1g1");
}

TEST(ParseMoveText, FlagsFromTheBoard) {
  auto pos = positionFromFen("4k3/8/8/3pP3/8/8/4P3/4K3 w - d6");
  EXPECT_EQ(parsed(*pos, "e5d6"), makeMoveWord(sq("e5"), sq("d6"), 0x15000000));
  EXPECT_EQ(parsed(*pos, "e2e4"), makeMoveWord(sq("e2"), sq("e4"), 0x18000000));
  EXPECT_EQ(parsed(*pos, "e2e3"), makeMoveWord(sq("e2"), sq("e3"), 0x10000000));
  EXPECT_EQ(parsed(*pos, "e1d2"), makeMoveWord(E1, sq("d2"), 0));
}

TEST(ParseMoveText, RejectsWhatTheBoardCannotPlay) {
  auto pos = positionFromFen(nullptr);
  for (const char* text : {"", "e", "e2", "e2e", "e9e4", "i2i4", "e3e4", "e7e5", "e2e5", "a1a3", "d1d3", "b1d2",
                           "e1e2", "g1g3", "O"}) {
    expectRejected(*pos, text);
  }
}

TEST(ParseMoveText, FileLetterCastling) {
  auto pos = positionFromFen("4k3/8/8/8/8/8/8/R3K2R w HA -");
  ASSERT_TRUE(pos->fileCastling);
  EXPECT_EQ(parsed(*pos, "e1h1"), makeMoveWord(E1, G1, FLAG_CASTLE_SHORT));
  EXPECT_EQ(parsed(*pos, "e1a1"), makeMoveWord(E1, C1, FLAG_CASTLE_LONG));
  pos->fileCastling = false;
  expectRejected(*pos, "e1h1");
}

TEST(CompleteMoveFlags, AddsWhatTheBoardImplies) {
  auto pos = positionFromFen("7k/P7/8/3pP3/8/5n2/4P3/4K3 w - d6");
  Move move = makeMoveWord(sq("e2"), sq("f3"), 0);
  completeMoveFlags(*pos, move);
  EXPECT_EQ(move, makeMoveWord(sq("e2"), sq("f3"), 0x11000000));
  move = makeMoveWord(sq("a7"), sq("a8"), QUEEN << 16);
  completeMoveFlags(*pos, move);
  EXPECT_EQ(move, makeMoveWord(sq("a7"), sq("a8"), 0x12000000 | QUEEN << 16));
  move = makeMoveWord(sq("e5"), sq("d6"), 0);
  completeMoveFlags(*pos, move);
  EXPECT_EQ(move, makeMoveWord(sq("e5"), sq("d6"), 0x15000000));
}

TEST(MoveFitsBoard, OwnManOnFromNoneOnTo) {
  auto pos = positionFromFen(nullptr);
  EXPECT_TRUE(moveFitsBoard(*pos, makeMoveWord(sq("e2"), sq("e5"), 0)));
  EXPECT_FALSE(moveFitsBoard(*pos, makeMoveWord(sq("e2"), sq("d1"), 0)));
  EXPECT_FALSE(moveFitsBoard(*pos, makeMoveWord(sq("e7"), sq("e5"), 0)));
  EXPECT_FALSE(moveFitsBoard(*pos, makeMoveWord(sq("e4"), sq("e5"), 0)));
  EXPECT_FALSE(moveFitsBoard(*pos, MOVE_NONE));
}

}  // namespace
