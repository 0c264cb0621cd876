// Book learning by replaying the game up to the last book move.
#include "book/book_learning.h"

#include <algorithm>

#include "book/book.h"
#include "eval/evaluate.h"
#include "eval/move_step.h"

namespace velt {

namespace {

constexpr int MIN_EXIT_PLY = 4;
constexpr int MIN_PLIES_AFTER_BOOK = 5;
constexpr int LONG_LINE_PLY = 16;      // from here on a lost line also gets skips
constexpr int SKIPPED_TAIL = 3;        // ... on the book moves at or after exit ply - 3
constexpr int NO_SKIP_LIMIT = 1000;
constexpr int MAX_SKIP = 255;

// Makes a game move from search ply 0, the root evaluated first as the game driver does.
bool replayPly(EvalPosition& pos, Move move) {
  pos.ply = 0;
  evaluate(pos, NO_WINDOW, MATE_SCORE);
  return makeMove(pos, move, -MATE_SCORE, MATE_SCORE) != 0;
}

void learnRecord(BookRecord& record, int result, bool addSkip) {
  if (addSkip) record.skip = static_cast<std::uint8_t>(std::min(record.skip + 1, MAX_SKIP));
  if (result == 0) return;
  record.learned = static_cast<std::int16_t>(std::clamp(record.learned + result, -32768, 32767));
  if (record.learnCount < BOOK_COUNTER_LIMIT) ++record.learnCount;
}

// Updates the record of the position now on the board; false when the book does not
// hold it.
bool learnPosition(BookState& book, const Position& pos, int result, bool addSkip) {
  BookRecord record;
  long offset = 0;
  const bool inTable0 = findBookRecord(book, 0, pos.hashKey, record, offset);
  if (!inTable0 && !findBookRecord(book, 1, pos.hashKey, record, offset)) return false;
  learnRecord(record, result, addSkip);
  writeBookRecord(book, record, offset);
  BookRecord copy;
  long copyOffset = 0;
  if (inTable0 && findBookRecord(book, 1, pos.hashKey, copy, copyOffset)) {
    copy.learned = record.learned;
    copy.learnCount = record.learnCount;
    copy.skip = record.skip;
    writeBookRecord(book, copy, copyOffset);
  }
  return true;
}

}  // namespace

void bookLearn(BookState& book, EvalPosition& pos, int score, const BookLearnGame& game) {
  const int exitPly = game.bookExitPly;
  const int gamePly = pos.gamePly;
  const int result = score >= LEARN_SCORE ? 1 : score <= -LEARN_SCORE ? -1 : 0;
  if (!bookIsOpen(book) || exitPly < MIN_EXIT_PLY || gamePly - exitPly < MIN_PLIES_AFTER_BOOK) return;
  if (!game.fromInitialPosition || (result > 0 && !game.opponentIsComputer)) return;
  const int skipFrom = exitPly < LONG_LINE_PLY ? NO_SKIP_LIMIT : exitPly - SKIPPED_TAIL;

  // Back to the start of the game; its moves stay in the undo records.
  Move moves[MAX_GAME_PLY];
  for (int i = 0; i < gamePly; ++i) moves[i] = pos.undo[i].move;
  while (pos.gamePly > 0) {
    pos.ply = 1;
    unmakeMove(pos);
  }

  int next = 0;
  bool updating = true;
  if (exitPly % 2 == 1) updating = replayPly(pos, moves[next++]);
  while (updating && next <= exitPly) {
    const int ply = next++;
    updating = replayPly(pos, moves[ply]) &&
               learnPosition(book, pos, result, result < 0 && ply >= skipFrom) &&
               replayPly(pos, moves[next++]);
  }
  // The rest of the game, so that the position is the one learning started from.
  while (pos.gamePly < gamePly && replayPly(pos, moves[pos.gamePly])) {
  }
  pos.ply = 0;
}

}  // namespace velt
