#include "book/book_learning.h"

#include <gtest/gtest.h>

#include "book/book.h"
#include "support/book_files.h"
#include "support/engine_process.h"

namespace velt {

namespace {

// 26 plies of the Breyer Ruy Lopez.
constexpr char GAME[] =
    "e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7 Re1 b5 Bb3 d6 c3 O-O h3 Nb8 d4 Nbd7 c4 c6 cxb5 axb5 Nc3 Bb7";

struct LearnCase {
  const char* name;
  int exitPly;
  int score;
  bool computer;
  bool fromStart;
  int skipFrom;      // first engine ply whose record gets a skip (99: none)
  int learnedDelta;  // change of `learned` on the engine's plies
};

// A book holding every position of the game, in table 0 and (with learned 5) in table 1.
class BookLearning : public testing::TestWithParam<LearnCase> {};

TEST_P(BookLearning, MarksTheEnginesBookPositions) {
  const LearnCase c = GetParam();
  std::vector<std::uint64_t> hashes;
  for (int ply = 1; ply <= 26; ++ply) hashes.push_back(positionAfter(GAME, ply)->hashKey);
  std::vector<BookEntry> table0, table1;
  for (std::uint64_t hash : hashes) {
    BookRecord record;
    record.games = 10;
    table0.push_back({hash, record});
    record.learned = 5;
    record.learnCount = 7;
    table1.push_back({hash, record});
  }
  TempDirectory directory;
  const std::string bytes = bookFileBytes({table0, table1});
  const std::string path = directory.writeFile("book.bin", bytes);
  BookState book;
  ASSERT_EQ(openBook(book, path.c_str()), BookOpening::OPEN);

  const int gamePly = c.exitPly + 5;
  auto pos = positionAfter(GAME, gamePly);
  BookLearnGame game;
  game.bookExitPly = c.exitPly;
  game.fromInitialPosition = c.fromStart;
  game.opponentIsComputer = c.computer;
  bookLearn(book, *pos, c.score, game);
  EXPECT_EQ(pos->gamePly, gamePly);
  EXPECT_EQ(pos->hashKey, hashes[gamePly - 1]);

  for (int ply = 0; ply < static_cast<int>(hashes.size()); ++ply) {
    const bool engineMove = ply % 2 == c.exitPly % 2 && ply <= c.exitPly;
    const bool changed = engineMove && c.learnedDelta != 0;
    BookRecord main, copy;
    long offset = 0;
    ASSERT_TRUE(findBookRecord(book, 0, hashes[ply], main, offset));
    ASSERT_TRUE(findBookRecord(book, 1, hashes[ply], copy, offset));
    EXPECT_EQ(main.learned, changed ? c.learnedDelta : 0) << "ply " << ply;
    EXPECT_EQ(main.learnCount, changed ? 1 : 0) << "ply " << ply;
    EXPECT_EQ(main.skip, engineMove && ply >= c.skipFrom ? 1 : 0) << "ply " << ply;
    // Table 1 receives table 0's values wherever table 0 was updated.
    EXPECT_EQ(copy.learned, changed ? main.learned : 5) << "ply " << ply;
    EXPECT_EQ(copy.learnCount, changed ? main.learnCount : 7) << "ply " << ply;
    EXPECT_EQ(copy.skip, main.skip) << "ply " << ply;
  }
  // Only records read from the file were written back.
  EXPECT_EQ(readWholeFile(path).size(), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    ExitPlies, BookLearning,
    testing::Values(LearnCase{"LostLongLine", 20, -250, false, true, 18, -1},  // skips on its last two moves
                    LearnCase{"LostShortLine", 14, -250, false, true, 99, -1},  // under 16 plies: no skips
                    LearnCase{"LostAsBlack", 15, -300, true, true, 99, -1},
                    LearnCase{"WonAgainstComputer", 20, 300, true, true, 99, 1},
                    LearnCase{"WonAgainstPerson", 20, 300, false, true, 99, 0},  // nothing learned
                    LearnCase{"GameFromFen", 20, -250, false, false, 99, 0}),
    [](const testing::TestParamInfo<LearnCase>& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace velt
