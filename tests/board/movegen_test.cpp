#include "board/movegen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/makemove.h"
#include "eval/evaluate.h"
#include "shell/game_state.h"
#include "support/board_setup.h"

namespace {

int sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

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

class AnalysisModeGuard {
 public:
  explicit AnalysisModeGuard(bool on) : saved_(analysisMode) { analysisMode = on; }
  ~AnalysisModeGuard() { analysisMode = saved_; }

 private:
  bool saved_;
};

TEST(GenerateCaptures, QueenPromotionAndOnlyACheckingKnight) {
  AnalysisModeGuard mode(false);
  auto pos = positionFromFen("8/4P3/8/8/8/8/8/K6k w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  auto moves = movesBetween(*pos, "e7", "e8");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].move, makeMoveWord(sq("e7"), sq("e8"), 0x12000000 | QUEEN << 16));

  pos = positionFromFen("8/4P1k1/8/8/8/8/8/K7 w - -");
  generateCaptures(*pos, pos->colourBB[BLACK], false);
  moves = movesBetween(*pos, "e7", "e8");
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(movePromotion(moves[1].move), KNIGHT);
}

TEST(GenerateCaptures, UnderPromotionsFollowAnalysisMode) {
  auto promotions = [](bool analysis) {
    AnalysisModeGuard mode(analysis);
    auto pos = positionFromFen("3r4/4P3/8/8/8/8/8/K6k w - -");
    generateCaptures(*pos, pos->colourBB[BLACK], true);
    std::vector<int> types;
    for (const ScoredMove& entry : movesBetween(*pos, "e7", "e8")) types.push_back(movePromotion(entry.move));
    std::vector<ScoredMove> captures = movesBetween(*pos, "e7", "d8");
    EXPECT_EQ(captures.size(), types.size());
    return types;
  };
  EXPECT_EQ(promotions(false), (std::vector<int>{QUEEN, KNIGHT, ROOK}));
  EXPECT_EQ(promotions(true), (std::vector<int>{QUEEN, KNIGHT, ROOK, BISHOP}));
}

TEST(GenerateQuiets, CastlingIsLeftToMakeMove) {
  // The bishop on b4 gives check; castling is generated all the same.
  auto pos = positionFromFen("4k3/8/8/8/1b6/8/8/R3K2R w KQ -");
  generateQuiets(*pos);
  EXPECT_EQ(movesBetween(*pos, "e1", "g1").at(0).move, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT));
  EXPECT_EQ(movesBetween(*pos, "e1", "c1").at(0).move, makeMoveWord(E1, C1, FLAG_CASTLE_LONG));
  EXPECT_EQ(makeMove(*pos, makeMoveWord(E1, G1, FLAG_CASTLE_SHORT), -MATE_SCORE, MATE_SCORE), 0);

  // A man between king and rook, or a right without its rook, gives no castling.
  for (const char* fen : {"4k3/8/8/8/8/8/8/RN2K1NR w KQ -", "4k3/8/8/8/8/8/8/4K3 w KQ -"}) {
    pos = positionFromFen(fen);
    generateQuiets(*pos);
    for (const ScoredMove& entry : currentList(*pos)) EXPECT_FALSE(entry.move & FLAG_CASTLE) << fen;
  }
}

// Evasions: only king moves in double check, none along the checking line, captures
// of the checker (en passant too) and interpositions.
TEST(GenerateEvasions, NamedCases) {
  struct Case {
    const char* fen;
    std::vector<const char*> listed, missing;
  };
  const Case cases[] = {
      {"1k6/8/2N5/8/8/8/8/1R2K2Q b - -", {"b8c7"}, {}},
      {"8/8/8/8/r3K3/8/8/k7 w - -", {"e4e5"}, {"e4f4"}},
      {"4k3/8/8/8/1b6/P7/2P5/1N2K3 w - -", {"a3b4", "c2c3", "b1c3", "b1d2"}, {"b1a3", "c2c4"}},
      {"8/8/8/2k5/3Pp3/8/8/4K3 b - d3", {"e4d3"}, {}},
  };
  for (const Case& c : cases) {
    auto pos = positionFromFen(c.fen);
    ASSERT_TRUE(inCheck(pos->checkInfo[0])) << c.fen;
    generateEvasions(*pos, ~Bitboard{0});
    for (const char* text : c.listed) {
      EXPECT_EQ(movesBetween(*pos, std::string(text, 2).c_str(), text + 2).size(), 1u) << c.fen << " " << text;
    }
    for (const char* text : c.missing) {
      EXPECT_TRUE(movesBetween(*pos, std::string(text, 2).c_str(), text + 2).empty()) << c.fen << " " << text;
    }
    if (pos->checkInfo[0] & DOUBLE_CHECK) {
      for (const ScoredMove& entry : currentList(*pos)) EXPECT_EQ(moveFrom(entry.move), pos->kingSquare[pos->side]);
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
