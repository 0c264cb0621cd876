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
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

bool initApp(Engine& engine) {
  if (!ttAllocate(engine.tt, engine.options.ttIndexMask) ||
      !buildMaterialTable(engine.evalData.material, materialSettings(engine)) || !allocatePawnHash(engine.evalData)) {
    print(engine.out, "ERROR (not enough memory): initApp\n");
    return false;
  }
  setDefaultTimeControl(engine);
  startGame(engine, "", true);
  engine.game.forceMode = false;
  // Seed the random generator from one of the piece-square keys, chosen by the time.
  const int keyIndex = static_cast<int>(std::time(nullptr) % 768);
  std::srand(static_cast<unsigned>(pieceSquareKey[keyIndex / 64][keyIndex % 64]));
  openConfiguredBook(engine);
  engine.tablesReady = true;
  return true;
}

void releaseApp(Engine& engine) {
  closeBook(engine.book);
  ttRelease(engine.tt);
  releaseMaterialTable(engine.evalData.material);
  releasePawnHash(engine.evalData);
  engine.tablesReady = false;
}

bool appReady(const Engine& engine) { return engine.tablesReady; }


}  // namespace velt
