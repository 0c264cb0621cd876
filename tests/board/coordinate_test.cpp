#include "board/coordinate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "support/board_setup.h"

namespace velt {

namespace {

// Coordinate and castling texts, their flags completed from the board and written back.
TEST(ParseMoveText, AcceptedTexts) {
  struct Case {
    const char* fen;
    const char* text;
    Move move;
    const char* written;
  };
  const Move queen = makeMoveWord(sq("e7"), sq("e8"), 0x12000000 | QUEEN << 16);
  const Case cases[] = {
      {"3r4/4P3/8/8/8/8/8/K6k w - -", "e7e8q", queen, "e7e8Q"},
      {"3r4/4P3/8/8/8/8/8/K6k w - -", "e7d8b", makeMoveWord(sq("e7"), sq("d8"), 0x13000000 | BISHOP << 16), "e7d8B"},
      {"4k3/8/8/3pP3/8/8/4P3/4K3 w - d6", "e5d6", makeMoveWord(sq("e5"), sq("d6"), 0x15000000), "e5d6"},
      {"4k3/8/8/3pP3/8/8/4P3/4K3 w - d6", "e2e4", makeMoveWord(sq("e2"), sq("e4"), 0x18000000), "e2e4"},
      {"4k3/8/8/3pP3/8/8/4P3/4K3 w - d6", "e1d2", makeMoveWord(E1, sq("d2"), 0), "e1d2"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O", makeMoveWord(E1, G1, FLAG_CASTLE_SHORT), "e1g1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1c1", makeMoveWord(E1, C1, FLAG_CASTLE_LONG), "e1c1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "O-O-O", makeMoveWord(E8, C8, FLAG_CASTLE_LONG), "e8c8"},
      // With castling rights given by rook files, the king taking its rook castles.
      {"4k3/8/8/8/8/8/8/R3K2R w HA -", "e1h1", makeMoveWord(E1, G1, FLAG_CASTLE_SHORT), "e1g1"},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(*pos, c.text, move)) << c.text;
    EXPECT_EQ(move, c.move) << c.text;
    EXPECT_EQ(moveToCoordinate(move), c.written);
    std::string uci = c.written;  // the protocols' form differs only in the promotion letter's case
    for (char& letter : uci) letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    EXPECT_EQ(moveToUci(move), uci);
  }
}

// Castling read and written as the king taking its own rook, the form of Chess960
// front ends, for kings and rooks on any files: the king's square and its castling
// square differ, coincide, or the king lands on the rook's square.
TEST(ParseMoveText, CastlingAsKingTakingRook) {
  struct Case {
    const char* fen;
    const char* text;
    Move move;
    const char* kingMove;  // the standard form of the same move
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1h1", makeMoveWord(E1, G1, FLAG_CASTLE_SHORT), "e1g1"},
      {"1r2k2r/8/8/8/8/8/8/R2K3R w HAhb -", "d1a1", makeMoveWord(D1, C1, FLAG_CASTLE_LONG), "d1c1"},
      {"1r2k2r/8/8/8/8/8/8/R2K3R b HAhb -", "e8b8", makeMoveWord(E8, C8, FLAG_CASTLE_LONG), "e8c8"},
      {"4k3/8/8/8/8/8/8/R5KR w HA -", "g1h1", makeMoveWord(G1, G1, FLAG_CASTLE_SHORT), "g1g1"},
      {"3k4/8/8/8/8/8/8/4RKR1 w GE -", "f1g1", makeMoveWord(F1, G1, FLAG_CASTLE_SHORT), "f1g1"},
      {"4k3/8/8/8/8/8/8/R1R1K2R w HC -", "e1c1", makeMoveWord(E1, C1, FLAG_CASTLE_LONG), "e1c1"},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    Move move = MOVE_NONE;
    ASSERT_TRUE(parseMoveText(*pos, c.text, move)) << c.fen << " " << c.text;
    EXPECT_EQ(move, c.move) << c.text;
    EXPECT_EQ(moveToUci(move, &pos->castling), c.text);
    EXPECT_EQ(moveToUci(move), c.kingMove);
  }
  // A king step to the castling square stays a king step.
  auto pos = positionFromFen("3k4/8/8/8/8/8/8/4RK1R w HE -");
  Move move = MOVE_NONE;
  ASSERT_TRUE(parseMoveText(*pos, "f1g1", move));
  EXPECT_EQ(move, makeMoveWord(F1, G1, 0));
}

// What the board cannot play is refused and leaves the move alone: a promotion needs
// its letter, castling its right.
TEST(ParseMoveText, RejectedTexts) {
  for (const auto& [fen, texts] : std::initializer_list<std::pair<const char*, std::vector<const char*>>>{
           {nullptr, {"", "e", "e2", "e2e", "e9e4", "i2i4", "e3e4", "e7e5", "e2e5", "a1a3", "b1d2", "g1g3", "O"}},
           {"3r4/4P3/8/8/8/8/8/K6k w - -", {"e7e8", "e7e8k", "e7e8p"}},
           {"r3k2r/8/8/8/8/8/8/R3K2R w kq -", {"O-O", "e1g1"}},
           // The king taking a rook that is not its castling rook.
           {"4k3/8/8/8/8/8/8/R1R1K2R w HC -", {"e1a1"}}}) {
    auto pos = positionFromFen(fen);
    for (const char* text : texts) {
      Move move = 12345;
      EXPECT_FALSE(parseMoveText(*pos, text, move)) << text;
      EXPECT_EQ(move, 12345u) << text;
    }
  }
}

}  // namespace

}  // namespace velt
