// The opening book through the real program: "/CB", xboard "bk" and book moves in play.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

namespace {

// Runs "/CB" on the PGN in the directory and returns its output.
Lines buildBook(const TempDirectory& directory, const std::string& pgnPath) {
  EngineLaunch launch(directory);
  launch.arguments = {"/CB", pgnPath};
  EngineProcess builder(launch);
  builder.closeInput();
  const Lines lines = builder.readAll();
  EXPECT_EQ(builder.waitForExit(), 0);
  return lines;
}

bool contains(const Lines& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(BookEndToEnd, BkShowsTheFrequenciesAndResultsOfThePgn) {
  TempDirectory directory;
  std::string pgn;
  for (int i = 0; i < 30; ++i) pgn += "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 1-0\n\n";
  for (int i = 0; i < 10; ++i) pgn += "[Result \"0-1\"]\n\n1. d4 d5 0-1\n\n";
  const Lines built = buildBook(directory, directory.writeFile("games.pgn", pgn));
  EXPECT_TRUE(contains(built, "Processing game: 40 ... Done!"));
  EXPECT_TRUE(contains(built, "Creating VeltBook.bin ... Done!"));

  EngineProcess engine{EngineLaunch(directory)};
  engine.send("xboard");
  engine.send("bk");
  ASSERT_TRUE(engine.waitForLine(" Move\t[Weight, Frequency, Win/Loss, Learned/LearnFreq]"));
  const auto e4 = engine.readLine();
  const auto d4 = engine.readLine();
  ASSERT_TRUE(e4 && d4);
  EXPECT_EQ(e4->rfind(" e4\t[", 0), 0u) << *e4;
  EXPECT_NE(e4->find(", 30, 30, 0/0]"), std::string::npos) << *e4;
  EXPECT_EQ(d4->rfind(" d4\t[", 0), 0u) << *d4;
  EXPECT_NE(d4->find(", 10, -10, 0/0]"), std::string::npos) << *d4;

  // Playing white, the engine answers from the book at once, without search output.
  engine.send("new");
  engine.send("go");
  Lines before;
  const auto move = engine.waitForLine("move ", 20000, &before);
  ASSERT_TRUE(move);
  EXPECT_TRUE(*move == "move e4" || *move == "move d4") << *move;
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before.back().rfind("0 0 0 0 ( e4 d4", 0), 0u) << before.back();
  engine.send("quit");
}

// A book path set over UCI is played from at once, though no book was found at start.
TEST(BookEndToEnd, BookPathFromTheFrontEndTakesEffectAtOnce) {
  TempDirectory bookDirectory, engineDirectory;
  std::string pgn;
  for (int i = 0; i < 10; ++i) pgn += "[Result \"1-0\"]\n\n1. d4 d5 1-0\n\n";
  buildBook(bookDirectory, bookDirectory.writeFile("games.pgn", pgn));

  EngineProcess engine{EngineLaunch(engineDirectory)};
  engine.send("uci");
  engine.send("setoption name OwnBook value true");
  engine.send("setoption name BookPath value " + bookDirectory.path() + "/VeltBook.bin");
  engine.send("position startpos");
  engine.send("go depth 1");
  EXPECT_EQ(engine.waitForLine("bestmove"), "bestmove d2d4");
  engine.send("quit");
}

}  // namespace

}  // namespace velt
