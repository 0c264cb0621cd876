// Table set-up shared by the protocol words and the console words.
#include "shell/app.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "board/bitboard.h"
#include "board/position.h"
#include "book/book.h"
#include "eval/material.h"
#include "eval/pawns.h"
#include "search/tt.h"
#include "shell/book_play.h"
#include "shell/clock_settings.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

namespace {

bool ready = false;
bool boardTablesBuilt = false;

}  // namespace

bool initApp() {
  // The board tables are constant once built and are never freed.
  if (!boardTablesBuilt) {
    buildBoardTables();
    boardTablesBuilt = true;
  }
  if (!ttAllocate(options.ttIndexMask) || !buildMaterialTable(materialSettings()) || !allocatePawnHash()) {
    std::printf("ERROR (not enough memory): initApp\n");
    std::fflush(stdout);
    return false;
  }
  setDefaultTimeControl();
  startGame("", true);
  game.forceMode = false;
  // Seed the random generator from one of the piece-square keys, chosen by the time.
  const int keyIndex = static_cast<int>(std::time(nullptr) % 768);
  std::srand(static_cast<unsigned>(pieceSquareKey[keyIndex / 64][keyIndex % 64]));
  openConfiguredBook();
  ready = true;
  return true;
}

void releaseApp() {
  closeBook();
  ttRelease();
  releaseMaterialTable();
  releasePawnHash();
  ready = false;
}

bool appReady() { return ready; }

}  // namespace velt
