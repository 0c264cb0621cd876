#include "book/book.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "board/san.h"
#include "search/worker.h"
#include "support/book_files.h"
#include "support/engine_process.h"

namespace velt {

namespace {

BookRecord recordWith(int games, int score = 0, std::uint8_t flags = 0, std::uint8_t skip = 0) {
  BookRecord record;
  record.games = static_cast<std::uint16_t>(games);
  record.score = static_cast<std::int16_t>(score);
  record.flags = flags;
  record.skip = skip;
  return record;
}

// Opens a book made of these tables in a fresh directory, closed again at the end.
struct OpenBook {
  TempDirectory directory;
  std::string path;
  BookState book;
  explicit OpenBook(const std::string& bytes) : path(directory.writeFile("book.bin", bytes)) {
    EXPECT_EQ(openBook(book, path.c_str()), BookOpening::OPEN);
  }
};

// Probes with the full table shown; returns each listed move's weight.
std::map<std::string, int> probeWeights(BookState& book, int table, Worker& pos, bool fromInitial,
                                        Move* chosen = nullptr) {
  BookProbeSettings settings;
  settings.fromInitialPosition = fromInitial;
  Move move = MOVE_NONE;
  std::vector<BookCandidate> shown;
  bookProbe(book, table, pos, move, settings, &shown);
  if (chosen) *chosen = move;
  std::map<std::string, int> weights;
  for (const BookCandidate& c : shown) weights[moveToSan(pos, c.move)] = c.weight;
  return weights;
}

std::uint64_t hashAfter(const char* moves) { return positionAfter(moves)->hashKey; }

TEST(Book, CandidatesByTableAndGameCount) {
  struct Case {
    int games;
    std::uint8_t flags;
    bool inMainTables;  // tables 0 and 1 ask for 5 games unless flagged
  };
  // A record without games (hand-made) is weighed without dividing by its count.
  const Case cases[] = {{4, 0, false}, {5, 0, true}, {1, BOOK_FLAG_PRIORITY, true}, {0, 0, false}};
  for (const Case& c : cases) {
    const std::vector<BookEntry> table = {{hashAfter("e4"), recordWith(c.games, 0, c.flags)}};
    OpenBook opened(bookFileBytes({table, table, table, table}));
    ASSERT_EQ(opened.book.tableCount, 4);
    for (int t = 0; t < 4; ++t) {
      auto pos = positionAfter("");
      const bool expected = t >= 2 || c.inMainTables;
      EXPECT_EQ(probeWeights(opened.book, t, *pos, true).count("e4"), expected ? 1u : 0u)
          << "games " << c.games << " table " << t;
    }
  }
}

TEST(Book, SkipCountersAreCountedDownInTheFile) {
  OpenBook opened(bookFileBytes({{{hashAfter("e4"), recordWith(10, 0, 0, 3)}, {hashAfter("d4"), recordWith(10)}}}));
  auto pos = positionAfter("");
  for (int probe = 2; probe >= 0; --probe) {
    Move chosen = MOVE_NONE;
    EXPECT_EQ(probeWeights(opened.book, 0, *pos, true, &chosen)["e4"], 0);
    EXPECT_EQ(moveToSan(*pos, chosen), "d4");
    BookRecord stored;
    long offset = 0;
    ASSERT_TRUE(findBookRecord(opened.book, 0, hashAfter("e4"), stored, offset));
    EXPECT_EQ(stored.skip, probe);
  }
  EXPECT_GT(probeWeights(opened.book, 0, *pos, true)["e4"], 0);
}

TEST(Book, NeverPlayFlagIsListedWithWeightZeroAndASingleCandidateIsAlwaysChosen) {
  OpenBook opened(bookFileBytes(
      {{{hashAfter("e4"), recordWith(8)}, {hashAfter("d4"), recordWith(500, 100, BOOK_FLAG_NEVER_PLAY)}}}));
  auto pos = positionAfter("");
  for (int probe = 0; probe < 25; ++probe) {
    Move chosen = MOVE_NONE;
    const std::map<std::string, int> weights = probeWeights(opened.book, 0, *pos, true, &chosen);
    EXPECT_EQ(weights.at("d4"), 0);
    EXPECT_GT(weights.at("e4"), 0);
    EXPECT_EQ(moveToSan(*pos, chosen), "e4");
  }
}

TEST(Book, SideLinesAreDampedOnlyInGamesFromTheStartPosition) {
  // a3: 20 games against 400, a losing ratio: frequency 20 * 360 / 400 = 18, no result term.
  OpenBook opened(bookFileBytes({{{hashAfter("e4"), recordWith(400)}, {hashAfter("a3"), recordWith(20, -5)}}}));
  auto pos = positionAfter("");
  EXPECT_EQ(probeWeights(opened.book, 0, *pos, false)["a3"], 18);
  EXPECT_EQ(probeWeights(opened.book, 0, *pos, true)["a3"], 18 >> 3);
  EXPECT_EQ(probeWeights(opened.book, 0, *pos, true)["e4"], 360 + 250 * 120 / 254);
}

TEST(Book, DamagedFilesGiveNoBookAndOneLine) {
  const std::uint64_t e4 = hashAfter("e4");
  const std::string good = bookFileBytes({{{e4, recordWith(10)}}});
  const long bucketAt = BOOK_INDEX_BYTES;  // the only bucket follows the index
  const auto patched = [&](long at, std::uint32_t value) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"truncated index", good.substr(0, 1000)},
      {"offset past the end", patched(4L * bookBucketOf(e4), 0x7FFFFFF0u)},
      {"count of 100,000", patched(bucketAt, 100000)},
      {"records cut off", good.substr(0, good.size() - 8)},
  };
  for (const auto& c : cases) {
    TempDirectory directory;
    const std::string path = directory.writeFile("book.bin", c.bytes);
    BookState book;
    EXPECT_EQ(openBook(book, path.c_str()), BookOpening::DAMAGED) << c.what;
    EXPECT_FALSE(bookIsOpen(book));
    auto pos = positionAfter("");
    Move move = MOVE_NONE;
    EXPECT_FALSE(bookProbe(book, 0, *pos, move, BookProbeSettings{}));
  }
  // The intact file is accepted, and a missing one is no book.
  OpenBook intact(good);
  EXPECT_TRUE(bookIsOpen(intact.book));
  closeBook(intact.book);
  EXPECT_EQ(openBook(intact.book, "no-such-book.bin"), BookOpening::ABSENT);
}

}  // namespace

}  // namespace velt
