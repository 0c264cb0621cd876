// Book hooks of the move decision and of xboard.
#include "search/worker.h"
#include "shell/book_play.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "board/position.h"
#include "board/san.h"
#include "book/book.h"
#include "book/book_builder.h"
#include "book/book_learning.h"
#include "eval/move_step.h"
#include "platform/paths.h"
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int SEARCHES_BEFORE_LEARNING = 5;

// Side tables first: 2 holds white's moves, 3 black's; then the main tables.
constexpr int TABLE_ORDER[2][3] = {{2, 0, 1}, {3, 0, 1}};

BookProbeSettings probeSettings(const Engine& engine) {
  BookProbeSettings settings;
  settings.fromInitialPosition = engine.game.startFen[0] == '\0';
  return settings;
}

// The candidates as one xboard thinking line.
void printCandidateLine(Engine& engine, const Position& pos, const std::vector<BookCandidate>& shown) {
  std::string text;
  for (const BookCandidate& c : shown) text += moveToSan(pos, c.move) + ' ';
  print(engine.out, "0 0 0 0 ( %s)\n", text.c_str());
}

// The candidate table of xboard "bk".
void printCandidateTable(Engine& engine, const Position& pos, const std::vector<BookCandidate>& shown) {
  std::string text;
  char entry[96];
  for (const BookCandidate& c : shown) {
    std::snprintf(entry, sizeof entry, "\t[%d, %d, %d, %d/%d]\n", c.weight, c.record.games, c.record.score,
                  c.record.learned, c.record.learnCount);
    text += moveToSan(pos, c.move) + entry + ' ';
  }
  print(engine.out, " Move\t[Weight, Frequency, Win/Loss, Learned/LearnFreq]\n %s\n\n", text.c_str());
}

// The book builder's progress, told to the engine's output.
struct BuildOutput {
  Output& out;
  std::string bookPath;
};

Output& outputOf(void* context) { return static_cast<BuildOutput*>(context)->out; }

void printGameStarted(void* context, int games) { print(outputOf(context), "\rProcessing game: %d ... ", games); }

void printGameRejected(void* context, const std::string& gameText) {
  print(outputOf(context), "Error processing game:\n%s\n", gameText.c_str());
}

void printChess960Skipped(void* context, int games) {
  print(outputOf(context), "Game %d skipped: Chess960 (the book is for standard chess)\n", games);
}

void printPoolFull(void* context) { write(outputOf(context), "Game file is too big to process\n"); }

void printDone(void* context) { write(outputOf(context), "Done!\n"); }

void printWritingStarted(void* context) {
  print(outputOf(context), "Creating %s ... ", static_cast<BuildOutput*>(context)->bookPath.c_str());
}

bool openBookAt(Engine& engine, const char* path) {
  const BookOpening opening = openBook(engine.book, path);
  if (opening == BookOpening::DAMAGED) {
    print(engine.out, "The book file '%s' is damaged; no book moves will be played.\n", path);
  }
  return opening == BookOpening::OPEN;
}

}  // namespace

Move chooseBookMove(Engine& engine) {
  // The book holds standard chess only.
  if (engine.game.bookMovesLeft == 0 || !bookIsOpen(engine.book) || engine.options.chess960) return MOVE_NONE;
  Worker& pos = engine.gamePosition;
  const BookProbeSettings settings = probeSettings(engine);
  // xboard shows every table's candidates as a thinking line.
  const bool show = (engine.engineFlags & FLAG_XBOARD) != 0;
  std::vector<BookCandidate> shown;
  Move move = MOVE_NONE;
  for (int table : TABLE_ORDER[pos.side]) {
    const bool chosen = bookProbe(engine.book, table, pos, move, settings, show ? &shown : nullptr);
    if (!shown.empty()) printCandidateLine(engine, pos, shown);
    if (chosen) break;
  }
  bool repeats = false;
  if (move != MOVE_NONE) {
    pos.ply = 0;
    if (makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) {
      repeats = repetitionCount(pos) != 0;
      unmakeMove(pos);
    }
  }
  prepareGameRoot(engine);
  return repeats ? MOVE_NONE : move;
}

void learnFromBookExit(Engine& engine, int score) {
  const int searchesSinceBook = (engine.gamePosition.gamePly - engine.game.bookExitPly - 1) / 2;
  if (searchesSinceBook < SEARCHES_BEFORE_LEARNING || (engine.engineFlags & FLAG_BOOK_LEARNING) == 0 ||
      engine.game.bookExitPly <= 0 || std::abs(score) < LEARN_SCORE) {
    return;
  }
  BookLearnGame learnGame;
  learnGame.bookExitPly = engine.game.bookExitPly;
  learnGame.fromInitialPosition = engine.game.startFen[0] == '\0';
  learnGame.opponentIsComputer = (engine.engineFlags & FLAG_OPPONENT_COMPUTER) != 0;
  bookLearn(engine.book, engine.gamePosition, score, learnGame);
  prepareGameRoot(engine);
  engine.game.bookExitPly = 0;
}

void showBookMoves(Engine& engine, int table) {
  Move move = MOVE_NONE;
  std::vector<BookCandidate> shown;
  bookProbe(engine.book, table, engine.gamePosition, move, probeSettings(engine), &shown);
  if (bookTableLoaded(engine.book, table)) printCandidateTable(engine, engine.gamePosition, shown);
  prepareGameRoot(engine);
}

bool openConfiguredBook(Engine& engine) {
  namespace fs = std::filesystem;
  std::error_code error;
  const char* path = engine.options.bookPath;
  if (std::strcmp(path, DEFAULT_BOOK_NAME) == 0 && !fs::exists(path, error)) {
    // Installed beside the program (a release archive, Windows) or in ../share/velt.
    const fs::path directory = runningProgramPath().parent_path();
    if (!directory.empty()) {
      for (const fs::path& installed : {directory / DEFAULT_BOOK_NAME,
                                        directory.parent_path() / "share" / "velt" / DEFAULT_BOOK_NAME}) {
        if (fs::exists(installed, error)) return openBookAt(engine, installed.string().c_str());
      }
    }
  }
  return openBookAt(engine, path);
}

bool buildBook(Engine& engine, const char* pgnPath, const char* bookPath) {
  BuildOutput output{engine.out, bookPath};
  const BookBuildProgress progress = {&output,    printGameStarted,   printGameRejected,  printPoolFull,
                                      printDone,  printWritingStarted, printChess960Skipped};
  const BookBuildResult result = createBook(engine.gamePosition, pgnPath, bookPath, progress);
  switch (result) {
    case BookBuildResult::WRITTEN: write(engine.out, "Done!\n"); break;
    case BookBuildResult::NO_GAME_FILE: print(engine.out, "Cannot open PGN file '%s'\n", pgnPath); break;
    case BookBuildResult::OUT_OF_MEMORY: write(engine.out, "Not enough memory to create a book\n"); break;
    case BookBuildResult::NOT_CREATED: print(engine.out, "Cannot create book file '%s'\n", bookPath); break;
    case BookBuildResult::NOT_WRITTEN:
      print(engine.out, "Cannot write book file '%s'; the old book is kept\n", bookPath);
      break;
  }
  return result == BookBuildResult::WRITTEN;
}

}  // namespace velt
