#include "book/book_builder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/san.h"
#include "book/book.h"
#include "eval/evaluate.h"
#include "support/board_setup.h"
#include "support/book_files.h"
#include "support/engine_process.h"

namespace {

std::string game(const char* result, const std::string& moves, bool withResultTag = true) {
  std::string text = "[Event \"test\"]\n[White \"a\"]\n";
  if (withResultTag) text += std::string("[Result \"") + result + "\"]\n";
  return text + "\n" + moves + " " + result + "\n\n";
}

// Builds a book from the PGN text in a fresh directory and opens it; returns the output.
struct BuiltBook {
  TempDirectory directory;
  std::string output;
  explicit BuiltBook(const std::string& pgn) {
    prepareBoardTables();
    const std::string pgnPath = directory.writeFile("games.pgn", pgn);
    const std::string bookPath = directory.path() + "/book.bin";
    testing::internal::CaptureStdout();
    EXPECT_TRUE(createBook(pgnPath.c_str(), bookPath.c_str()));
    output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(openBook(bookPath.c_str()));
  }
  ~BuiltBook() { closeBook(); }
};

// The record of the position after the moves, or one with `games` 0 when the book lacks it.
BookRecord recordAfter(const std::string& moves) {
  BookRecord record;
  long offset = 0;
  if (!findBookRecord(0, positionAfter(moves)->hashKey, record, offset)) record = BookRecord{};
  return record;
}

// A game of `plies` plies without a repeated position: at each ply the legal move
// that ranks (ply * 7) in generation order among those reaching a new position.
std::string longGame(int plies) {
  prepareBoardTables();
  auto pos = positionFromFen(nullptr);
  std::vector<std::uint64_t> seen = {pos->hashKey};
  std::string text;
  for (int ply = 0; ply < plies; ++ply) {
    pos->ply = 0;
    prepareRoot(*pos);
    std::vector<Move> fresh;
    for (int i = pos->listStart[0]; i < pos->listStart[1]; ++i) {
      const Move move = pos->moveList[i].move;
      if (!makeMove(*pos, move, -MATE_SCORE, MATE_SCORE)) continue;
      if (std::find(seen.begin(), seen.end(), pos->hashKey) == seen.end()) fresh.push_back(move);
      unmakeMove(*pos);
    }
    if (fresh.empty()) break;
    const Move move = fresh[(ply * 7) % fresh.size()];
    if (ply % 2 == 0) text += std::to_string(ply / 2 + 1) + ". ";
    text += std::string(moveToSan(*pos, move)) + " ";
    pos->ply = 0;
    makeMove(*pos, move, -MATE_SCORE, MATE_SCORE);
    seen.push_back(pos->hashKey);
  }
  return text;
}

// The SAN moves of a numbered game text, up to `plies` of them.
std::string sanOnly(const std::string& text, int plies) {
  std::istringstream words(text);
  std::string word, moves;
  for (int count = 0; count < plies && words >> word;) {
    if (word.back() == '.') continue;
    moves += word + " ";
    ++count;
  }
  return moves;
}

TEST(BookBuilder, CommentsResultsAndGamesWithoutResult) {
  const std::string pgn =
      game("1-0", "1. e4 {best by test} e5 (1... c5 2. Nf3 {Sicilian}) 2. Nf3 $1 Nc6 ; a remark\n3. Bb5") +
      game("0-1", "{A comment\nover two lines} 1. e4 c5") + game("1/2-1/2", "1. d4 d5") +
      game("1-0", "1. c4 e5", false) + game("*", "1. e4 e5 2. Nf3");
  BuiltBook built(pgn);
  EXPECT_EQ(built.output.find("Error"), std::string::npos) << built.output;
  EXPECT_NE(built.output.find("Processing game: 4 ... Done!"), std::string::npos) << built.output;
  const struct {
    const char* moves;
    int games;
    int score;  // from the side that made the last move
  } expected[] = {
      {"e4", 3, 0},  {"e4 e5", 2, -1}, {"e4 e5 Nf3", 2, 1}, {"e4 e5 Nf3 Nc6 Bb5", 1, 1},
      {"e4 c5", 1, 1}, {"d4", 1, 0},   {"d4 d5", 1, 0},     {"c4", 0, 0},
      {"e4 c5 Nf3", 0, 0},
  };
  for (const auto& e : expected) {
    const BookRecord record = recordAfter(e.moves);
    EXPECT_EQ(record.games, e.games) << e.moves;
    EXPECT_EQ(record.score, e.score) << e.moves;
    EXPECT_EQ(record.priority, 0) << e.moves;
  }
}

TEST(BookBuilder, OnlyTheFirst25MovesAndSinglePositionsBeforeMove20) {
  const std::string text = longGame(120);
  ASSERT_NE(text.find(" 60. "), std::string::npos);
  // One game alone, then the same game twice: positions of two games are all kept.
  {
    BuiltBook once(game("1-0", text));
    EXPECT_EQ(recordAfter(sanOnly(text, 39)).games, 1);  // move 19
    EXPECT_EQ(recordAfter(sanOnly(text, 40)).games, 0);  // move 20
  }
  BuiltBook twice(game("1-0", text) + game("1-0", text));
  EXPECT_EQ(recordAfter(sanOnly(text, 40)).games, 2);
  EXPECT_EQ(recordAfter(sanOnly(text, 50)).games, 2);
  EXPECT_EQ(recordAfter(sanOnly(text, 51)).games, 0);
}

TEST(BookBuilder, ARepetitionEndsTheGamesContribution) {
  BuiltBook built(game("1-0", "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. e4"));
  EXPECT_EQ(recordAfter("Nf3").games, 1);
  EXPECT_EQ(recordAfter("Nf3 Nf6 Ng1").games, 1);
  EXPECT_EQ(recordAfter("Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 e4").games, 0);
}

TEST(BookBuilder, MoveTextIsCutAtTheGameBufferAndAFullPoolStopsReading) {
  // 3,000 blanks push the second move past the 2,048 characters kept of a game.
  BuiltBook longText(game("1-0", "1. e4 e5" + std::string(3000, ' ') + "2. Nf3 Nc6"));
  EXPECT_EQ(recordAfter("e4 e5").games, 1);
  EXPECT_EQ(recordAfter("e4 e5 Nf3").games, 0);
  EXPECT_EQ(longText.output.find("Error"), std::string::npos);
  closeBook();

  // A pool of one block holds one bucket: reading stops, the book keeps what was read.
  TempDirectory directory;
  const std::string pgnPath = directory.writeFile("games.pgn", game("1-0", "1. e4 e5") + game("1-0", "1. d4"));
  const std::string bookPath = directory.path() + "/book.bin";
  testing::internal::CaptureStdout();
  EXPECT_TRUE(createBook(pgnPath.c_str(), bookPath.c_str(), 260));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Game file is too big to process\n"), std::string::npos);
  ASSERT_TRUE(openBook(bookPath.c_str()));
  EXPECT_EQ(recordAfter("e4").games, 1);
  EXPECT_EQ(recordAfter("d4").games, 0);
  closeBook();
}

TEST(BookBuilder, ABadMoveSkipsTheRestOfItsGameOnly) {
  BuiltBook built(game("1-0", "1. e4 e5 2. Ke3 Nc6") + game("0-1", "1. d4 d5"));
  EXPECT_NE(built.output.find("Error processing game:\n"), std::string::npos);
  EXPECT_EQ(recordAfter("e4 e5").games, 1);
  EXPECT_EQ(recordAfter("d4 d5").games, 1);
}

TEST(BookBuilder, FailuresKeepTheOldBook) {
  prepareBoardTables();
  TempDirectory directory;
  const std::string bookPath = directory.writeFile("book.bin", "old book");
  const std::string pgnPath = directory.writeFile("games.pgn", game("1-0", "1. e4 e5"));

  testing::internal::CaptureStdout();
  EXPECT_FALSE(createBook((directory.path() + "/missing.pgn").c_str(), bookPath.c_str()));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Cannot open PGN file '"), std::string::npos);

  // A write that fails half-way (the file size limit stops it) is reported and the
  // old book stays as it was, with no temporary file left.
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::freopen((directory.path() + "/out.txt").c_str(), "w", stdout);
    const bool written = createBook(pgnPath.c_str(), bookPath.c_str());
    std::fflush(stdout);
    _exit(written ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_NE(readWholeFile(directory.path() + "/out.txt").find("Cannot write book file"), std::string::npos);
  EXPECT_EQ(readWholeFile(bookPath), "old book");
  EXPECT_FALSE(std::filesystem::exists(bookPath + ".tmp"));
}

}  // namespace
