#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board/makemove.h"
#include "board/position.h"
#include "search/decided_table.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/game_commands.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace {

// Score of a mate in `moves` for the side to move.
constexpr int mateIn(int moves) { return MATE_SCORE - (2 * moves - 1); }

// Slow reference: whether the side to move mates in at most `moves` moves whatever the defence.
bool forcedMate(Position& pos, int moves) {
  Move attacks[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, attacks);
  for (int i = 0; i < count; ++i) {
    makeMove(pos, attacks[i], -MATE_SCORE, MATE_SCORE);
    Move replies[MAX_LEGAL_MOVES];
    const int replyCount = collectLegalMoves(pos, replies);
    bool mates = replyCount == 0 && inCheck(pos.checkInfo[pos.gamePly]);
    if (replyCount > 0 && moves > 1) {
      mates = true;
      for (int j = 0; j < replyCount && mates; ++j) {
        makeMove(pos, replies[j], -MATE_SCORE, MATE_SCORE);
        mates = forcedMate(pos, moves - 1);
        unmakeMove(pos);
      }
    }
    unmakeMove(pos);
    if (mates) return true;
  }
  return false;
}

int trueMateDistance(Position& pos, int most) {
  for (int moves = 1; moves <= most; ++moves) {
    if (forcedMate(pos, moves)) return moves;
  }
  return 0;
}

class DecidedSearchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    options.ttIndexMask = (1u << 18) - 4;
    ASSERT_TRUE(appReady() || initApp());
  }
  void SetUp() override {
    engineFlags = FLAG_UCI | FLAG_POST;
    analysisMode = false;
    pondering = false;
    stopState = STOP_NONE;
    movesPerSession = baseTime = increment = timePerMove = 0;
    if (ttTable == nullptr) {
      ASSERT_TRUE(ttAllocate(options.ttIndexMask));
    }
  }

  static int decidedScore(const char* fen, int depth) {
    newGame(true);
    EXPECT_TRUE(parseFen(fen)) << fen;
    maxSearchDepth = depth;
    testing::internal::CaptureStdout();
    searchDecided(0);
    testing::internal::GetCapturedStdout();
    return rootScore;
  }
};

TEST_F(DecidedSearchTest, MateDistancesAreExact) {
  struct Case {
    const char* fen;
    int moves;
  };
  const Case cases[] = {
      {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", 1},
      {"6k1/8/6K1/8/8/8/8/1R6 w - - 0 1", 1},
      {"k7/8/2K5/8/8/8/8/6Q1 w - - 0 1", 0},
      {"k7/8/1K6/8/8/8/8/r5Q1 w - - 0 1", 0},
      {"k7/8/1K6/8/8/8/8/2BB4 w - - 0 1", 0},
      {"7k/8/5K2/8/8/8/8/R7 w - - 0 1", 0},
      {"8/8/8/8/8/k7/8/1K1R4 w - - 0 1", 0},
  };
  for (const Case& c : cases) {
    newGame(true);
    ASSERT_TRUE(parseFen(c.fen));
    const int truth = c.moves ? c.moves : trueMateDistance(gamePosition, 3);
    const int score = decidedScore(c.fen, 12);
    std::printf("%s truth %d score %d\n", c.fen, truth, score);
    if (truth > 0) EXPECT_EQ(score, mateIn(truth)) << c.fen;
  }
}

}  // namespace
