// Book hooks of the move decision and of xboard.
#include "search/worker.h"
#include "shell/book_play.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "board/position.h"
#include "book/book.h"
#include "book/book_learning.h"
#include "eval/move_step.h"
#include "shell/engine.h"
#include "shell/game_moves.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int SEARCHES_BEFORE_LEARNING = 5;

// Side tables first: 2 holds white's moves, 3 black's; then the main tables.
constexpr int TABLE_ORDER[2][3] = {{2, 0, 1}, {3, 0, 1}};

BookProbeSettings probeSettings(const Engine& engine, BookDisplay xboardDisplay) {
  BookProbeSettings settings;
  settings.display = (engineFlags & FLAG_XBOARD) ? xboardDisplay : BookDisplay::QUIET;
  settings.fromInitialPosition = engine.game.startFen[0] == '\0';
  return settings;
}

}  // namespace

Move chooseBookMove(Engine& engine) {
  if (engine.game.bookMovesLeft == 0 || !bookIsOpen()) return MOVE_NONE;
  Worker& pos = gamePosition;
  const BookProbeSettings settings = probeSettings(engine, BookDisplay::THINKING);
  Move move = MOVE_NONE;
  for (int table : TABLE_ORDER[pos.side]) {
    if (bookProbe(table, pos, move, settings)) break;
  }
  bool repeats = false;
  if (move != MOVE_NONE) {
    pos.ply = 0;
    if (makeMove(pos, move, -MATE_SCORE, MATE_SCORE)) {
      repeats = repetitionCount(pos) != 0;
      unmakeMove(pos);
    }
  }
  prepareGameRoot();
  return repeats ? MOVE_NONE : move;
}

void learnFromBookExit(Engine& engine, int score) {
  const int searchesSinceBook = (gamePosition.gamePly - engine.game.bookExitPly - 1) / 2;
  if (searchesSinceBook < SEARCHES_BEFORE_LEARNING || (engineFlags & FLAG_BOOK_LEARNING) == 0 ||
      engine.game.bookExitPly <= 0 || std::abs(score) < LEARN_SCORE) {
    return;
  }
  BookLearnGame learnGame;
  learnGame.bookExitPly = engine.game.bookExitPly;
  learnGame.fromInitialPosition = engine.game.startFen[0] == '\0';
  learnGame.opponentIsComputer = (engineFlags & FLAG_OPPONENT_COMPUTER) != 0;
  bookLearn(gamePosition, score, learnGame);
  prepareGameRoot();
  engine.game.bookExitPly = 0;
}

void showBookMoves(Engine& engine, int table) {
  Move move = MOVE_NONE;
  BookProbeSettings settings = probeSettings(engine, BookDisplay::TABLE);
  settings.display = BookDisplay::TABLE;
  bookProbe(table, gamePosition, move, settings);
  prepareGameRoot();
}

bool openConfiguredBook() {
  namespace fs = std::filesystem;
  std::error_code error;
  const char* path = options.bookPath;
  if (std::strcmp(path, DEFAULT_BOOK_NAME) == 0 && !fs::exists(path, error)) {
    // The running program's own file; Linux names it in /proc.
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const fs::path installed = program.parent_path().parent_path() / "share" / "velt" / DEFAULT_BOOK_NAME;
    if (!error && fs::exists(installed, error)) return openBook(installed.c_str());
  }
  return openBook(path);
}

}  // namespace velt
