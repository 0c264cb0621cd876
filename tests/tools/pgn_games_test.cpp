// Replaying games for the tuners: comments, variations and annotations are read past, so
// every move of a game is seen, and the comment after each move comes with it.
#include "common/pgn_games.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "board/coordinate.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "support/engine_process.h"

namespace velt {

namespace {

TEST(PgnGames, CommentsVariationsAndMoveTimesAreReadPast) {
  TempDirectory directory;
  const std::string path = directory.path() + "/games.pgn";
  std::ofstream(path) << "[Event \"match\"]\n[Result \"1-0\"]\n[Termination \"mate\"]\n\n"
                         "1. e4 {+0.25/12 0.512s} e5 {-M3/20\n1.020s} 2. Nf3 {0.100s} (2. f4 {gambit :)} exf4 (2... d5 {(sharp})) Nc6 $1 {a\n"
                         "comment over two lines} 3. Bb5 {0.250s} ; the rest of the line\n1-0\n\n"
                         "[Event \"match\"]\n[Result \"0-1\"]\n[Termination \"time forfeit\"]\n\n"
                         "1. d4 {0.300s} 0-1\n\n"
                         "[Event \"match\"]\n[Result \"1/2-1/2\"]\n\n1. c4 {0.1s} c5 {0.2s} 1/2-1/2\n";
  Engine engine;
  ASSERT_TRUE(initApp(engine));
  std::vector<std::string> moves;
  std::vector<double> results;
  std::vector<std::string> comments;
  int games = 0;
  ASSERT_TRUE(replayGames(engine.gamePosition, path.c_str(), games, [&](const GameMoment& moment) {
    moves.push_back(moveToUci(moment.move, nullptr));
    results.push_back(moment.result);
    comments.emplace_back(moment.comment);
  }));
  // The game lost on time says nothing of its position and is skipped.
  EXPECT_EQ(games, 2);
  EXPECT_EQ(moves, (std::vector<std::string>{"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "c2c4", "c7c5"}));
  EXPECT_EQ(results, (std::vector<double>{1, 1, 1, 1, 1, 0.5, 0.5}));
  // A comment of a variation is not the main line's; one after an annotation is the move's.
  EXPECT_EQ(comments, (std::vector<std::string>{"+0.25/12 0.512s", "-M3/20\n1.020s", "0.100s",
                                                "a\ncomment over two lines", "0.250s", "0.1s", "0.2s"}));
}

}  // namespace

}  // namespace velt
