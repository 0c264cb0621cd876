#include "book/book_builder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "book/book.h"
#include "search/engine_core.h"
#include "support/board_setup.h"
#include "support/book_files.h"
#include "support/engine_process.h"

namespace velt {

namespace {

std::string game(const char* result, const std::string& moves, bool withResultTag = true) {
  std::string text = "[Event \"test\"]\n[White \"a\"]\n";
  if (withResultTag) text += std::string("[Result \"") + result + "\"]\n";
  return text + "\n" + moves + " " + result + "\n\n";
}

// What the builder told.
struct BuildReport {
  int games = 0;
  std::vector<std::string> rejected;
  bool poolFull = false;
  std::vector<int> chess960;  // the numbers of the games left out as Chess960
};

BookBuildProgress recordingProgress(BuildReport& report) {
  BookBuildProgress progress;
  progress.context = &report;
  progress.gameStarted = [](void* context, int games) { static_cast<BuildReport*>(context)->games = games; };
  progress.gameRejected = [](void* context, const std::string& text) {
    static_cast<BuildReport*>(context)->rejected.push_back(text);
  };
  progress.poolFull = [](void* context) { static_cast<BuildReport*>(context)->poolFull = true; };
  progress.chess960Skipped = [](void* context, int games) {
    static_cast<BuildReport*>(context)->chess960.push_back(games);
  };
  return progress;
}

// Builds a book from the PGN text in a fresh directory and opens it.
struct BuiltBook {
  TempDirectory directory;
  BuildReport report;
  BookState book;
  explicit BuiltBook(const std::string& pgn, long long poolBytes = BOOK_POOL_BYTES) {
    const std::string pgnPath = directory.writeFile("games.pgn", pgn);
    const std::string bookPath = directory.path() + "/book.bin";
    EXPECT_EQ(
        createBook(testEngine().gamePosition, pgnPath.c_str(), bookPath.c_str(), recordingProgress(report), poolBytes),
        BookBuildResult::WRITTEN);
    EXPECT_EQ(openBook(book, bookPath.c_str()), BookOpening::OPEN);
  }

  // Games of the position after the first plies of the moves (0 when the book lacks it).
  int gamesAfter(const std::string& moves, int plies = 999) {
    BookRecord record;
    long offset = 0;
    return findBookRecord(book, 0, positionAfter(moves, plies)->hashKey, record, offset) ? record.games : 0;
  }
};

// 60 moves of a self-play game; it repeats positions only after move 40.
constexpr char SIXTY_MOVES[] =
    "1. e4 c6 2. d4 d5 3. exd5 cxd5 4. c4 Nf6 5. Nc3 Nc6 6. Nf3 Bg4 7. cxd5 Nxd5 8. Qb3 Nb6 9. d5 Bxf3 10. gxf3 Nd4 "
    "11. Bb5+ Nxb5 12. Nxb5 f6 13. O-O a6 14. Nc3 Nd7 15. Rd1 Rc8 16. Qxb7 Ne5 17. f4 Qd7 18. Qxd7+ Nxd7 19. Be3 "
    "g5 20. fxg5 fxg5 21. Rac1 Bg7 22. Ne4 Rxc1 23. Rxc1 Nf6 24. Nxf6+ Bxf6 25. b4 Kd7 26. Rc6 Rb8 27. a3 Rb5 28. "
    "Rxa6 Rxd5 29. Ra7+ Kd8 30. Kg2 Bd4 31. Bxd4 Rxd4 32. h3 h6 33. Ra6 Rh4 34. Ra5 Kc7 35. Ra7+ Kd6 36. Ra4 g4 "
    "37. hxg4 Rxg4+ 38. Kf1 h5 39. Ra6+ Kd7 40. Ra5 h4 41. Re5 Rd4 42. Re3 Rd2 43. Kg2 Ra2 44. Rc3 e6 45. Re3 Kd6 "
    "46. Rd3+ Kc7 47. Re3 Kd6 48. Rd3+ Kc7 49. Rf3 e5 50. Re3 Kd6 51. b5 Kd7 52. Rxe5 Rxa3 53. Re3 Ra4 54. Rb3 "
    "Kc7 55. b6+ Kb7 56. Kf3 Rd4 57. Rb2 Ra4 58. Ke3 Rg4 59. f4 h3 60. Kf3 Rg7";

TEST(BookBuilder, CommentsResultsBadMovesAndGamesWithoutResult) {
  const std::string pgn =
      game("1-0", "1. e4 {best by test} e5 (1... c5 2. Nf3 {Sicilian}) 2. Nf3 $1 Nc6 ; a remark\n3. Bb5") +
      game("0-1", "{A comment\nover two lines} 1. e4 c5") + game("1/2-1/2", "1. d4 d5") +
      game("1-0", "1. c4 e5", false) + game("*", "1. e4 e5 2. Nf3") + game("0-1", "1. Nc3 e5 2. Ke3 Nc6") +
      "[Result \"1-0\"]\n1. b3 1-0\n";  // a Result tag right after the previous game's moves
  BuiltBook built(pgn);
  EXPECT_EQ(built.report.games, 6);
  // Only the game with the king's impossible move is reported.
  ASSERT_EQ(built.report.rejected.size(), 1u);
  EXPECT_EQ(built.report.rejected[0].rfind("1. Nc3", 0), 0u) << built.report.rejected[0];
  const struct {
    const char* moves;
    int games;
    int score;  // from the side that made the last move
  } expected[] = {
      {"e4", 3, 0},  {"e4 e5", 2, -1}, {"e4 e5 Nf3", 2, 1}, {"e4 e5 Nf3 Nc6 Bb5", 1, 1}, {"e4 c5", 1, 1},
      {"d4", 1, 0},  {"d4 d5", 1, 0},  {"c4", 0, 0},        {"e4 c5 Nf3", 0, 0},        {"Nc3 e5", 1, 1},
      {"b3", 1, 1},
  };
  for (const auto& e : expected) {
    BookRecord record;
    long offset = 0;
    if (!findBookRecord(built.book, 0, positionAfter(e.moves)->hashKey, record, offset)) record = BookRecord{};
    EXPECT_EQ(record.games, e.games) << e.moves;
    EXPECT_EQ(record.score, e.score) << e.moves;
    EXPECT_EQ(record.priority, 0) << e.moves;
  }
}

// Chess960 games are left out, whether their Variant tag stands before or after the
// Result tag; the games after them count as usual.
TEST(BookBuilder, Chess960GamesAreSkipped) {
  const std::string variantAfter = "[Event \"a\"]\n[Result \"1-0\"]\n[Variant \"Chess960\"]\n"
                                   "[FEN \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\"]\n\n1. e4 e5 1-0\n\n";
  const std::string variantBefore = "[Variant \"fischerandom\"]\n[Result \"0-1\"]\n\n1. e4 c5 0-1\n\n";
  BuiltBook built(variantAfter + game("1-0", "1. d4") + variantBefore + game("1-0", "1. e4"));
  EXPECT_EQ(built.report.games, 4);
  EXPECT_EQ(built.report.chess960, (std::vector<int>{1, 3}));
  EXPECT_EQ(built.gamesAfter("d4"), 1);
  EXPECT_EQ(built.gamesAfter("e4"), 1);
  EXPECT_EQ(built.gamesAfter("e4 e5"), 0);
  EXPECT_EQ(built.gamesAfter("e4 c5"), 0);
}

TEST(BookBuilder, OnlyTheFirst25MovesAndSinglePositionsBeforeMove20) {
  {
    BuiltBook once(game("1-0", SIXTY_MOVES));
    EXPECT_EQ(once.gamesAfter(SIXTY_MOVES, 39), 1);  // move 19
    EXPECT_EQ(once.gamesAfter(SIXTY_MOVES, 40), 0);  // move 20
  }
  BuiltBook twice(game("1-0", SIXTY_MOVES) + game("1-0", SIXTY_MOVES));
  EXPECT_EQ(twice.gamesAfter(SIXTY_MOVES, 40), 2);
  EXPECT_EQ(twice.gamesAfter(SIXTY_MOVES, 50), 2);
  EXPECT_EQ(twice.gamesAfter(SIXTY_MOVES, 51), 0);
}

TEST(BookBuilder, ARepetitionEndsTheGamesContribution) {
  BuiltBook built(game("1-0", "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. e4"));
  EXPECT_EQ(built.gamesAfter("Nf3"), 1);
  EXPECT_EQ(built.gamesAfter("Nf3 Nf6 Ng1"), 1);
  EXPECT_EQ(built.gamesAfter("Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 e4"), 0);
}

TEST(BookBuilder, MoveTextIsCutAtTheGameBufferAndAFullPoolStopsReading) {
  // 3,000 blanks push the second move past the 2,048 characters kept of a game.
  {
    BuiltBook longText(game("1-0", "1. e4 e5" + std::string(3000, ' ') + "2. Nf3 Nc6"));
    EXPECT_EQ(longText.gamesAfter("e4 e5"), 1);
    EXPECT_EQ(longText.gamesAfter("e4 e5 Nf3"), 0);
  }
  // A pool of one block holds one bucket: reading stops, the book keeps what was read.
  BuiltBook full(game("1-0", "1. e4 e5") + game("1-0", "1. d4"), 260);
  EXPECT_TRUE(full.report.poolFull);
  EXPECT_EQ(full.gamesAfter("e4"), 1);
  EXPECT_EQ(full.gamesAfter("d4"), 0);
}

TEST(BookBuilder, FailuresKeepTheOldBook) {
  TempDirectory directory;
  const std::string bookPath = directory.writeFile("book.bin", "old book");
  const std::string pgnPath = directory.writeFile("games.pgn", game("1-0", "1. e4 e5"));

  const std::string missing = directory.path() + "/missing.pgn";
  EXPECT_EQ(createBook(testEngine().gamePosition, missing.c_str(), bookPath.c_str(), BookBuildProgress{}),
            BookBuildResult::NO_GAME_FILE);

  // A write that fails half-way (the file size limit stops it) is reported and the
  // old book stays as it was, with no temporary file left.
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const BookBuildResult result =
        createBook(testEngine().gamePosition, pgnPath.c_str(), bookPath.c_str(), BookBuildProgress{});
    _exit(result == BookBuildResult::NOT_WRITTEN ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(readWholeFile(bookPath), "old book");
  EXPECT_FALSE(std::filesystem::exists(bookPath + ".tmp"));
}

}  // namespace

}  // namespace velt
