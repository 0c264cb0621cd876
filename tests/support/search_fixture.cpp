#include "support/search_fixture.h"

#include <cstdio>
#include <memory>

#include "board/coordinate.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/worker.h"
#include "shell/app.h"
#include "shell/engine.h"
#include "shell/game_commands.h"
#include "shell/game_state.h"
#include "shell/options.h"
#include "shell/search_output.h"

namespace velt {

namespace {

constexpr std::uint32_t TEST_TABLE_MASK = (1u << 18) - 4;  // 2 MB keeps the sanitizer build quick

SearchResult runSearch(Engine& engine, const char* fen, int depth, const char* searchMoves,
                       void (*searchFunction)(Engine&)) {
  newGame(engine, true);
  EXPECT_TRUE(parseFen(engine.gamePosition, fen)) << fen;
  std::snprintf(engine.search.searchMovesText, sizeof engine.search.searchMovesText, "%s", searchMoves);
  engine.timeControl.maxSearchDepth = depth;
  engine.out.capturing = true;
  engine.search.reporter = searchOutputReporter(engine);
  searchFunction(engine);
  engine.search.reporter = SearchReporter{};
  SearchResult result;
  result.output = takeCaptured(engine.out);
  engine.out.capturing = false;
  result.move = engine.search.bestMove != MOVE_NONE ? moveToCoordinate(engine.search.bestMove) : "none";
  result.score = engine.search.rootScore;
  result.nodes = engine.search.totalNodes;
  return result;
}

void searchNormal(Engine& engine) { searchRoot(engine); }
void searchDecidedFromStart(Engine& engine) { searchDecided(engine, 0); }

}  // namespace

Engine& SearchFixture::engine() {
  static const auto suiteEngine = std::make_unique<Engine>();
  return *suiteEngine;
}

void SearchFixture::SetUpTestSuite() {
  engine().options.ttIndexMask = TEST_TABLE_MASK;
  ASSERT_TRUE(initApp(engine()));
}

void prepareForSearches(Engine& e) {
  e.engineFlags = FLAG_UCI | FLAG_POST;
  e.search.analysisMode = false;
  e.search.pondering = false;
  e.search.stopState = STOP_NONE;
  e.timeControl.movesPerSession = e.timeControl.baseTime = e.timeControl.increment = e.timeControl.timePerMove = 0;
  // A test may have left the table set up with another size.
  if (e.tt.entries == nullptr || e.tt.mask != e.options.ttIndexMask) {
    ASSERT_TRUE(ttAllocate(e.tt, e.options.ttIndexMask));
  }
}

SearchResult searchOn(Engine& engine, const char* fen, int depth, const char* searchMoves) {
  return runSearch(engine, fen, depth, searchMoves, searchNormal);
}

void SearchFixture::SetUp() { prepareForSearches(engine()); }

SearchResult SearchFixture::search(const char* fen, int depth, const char* searchMoves) {
  return searchOn(engine(), fen, depth, searchMoves);
}

SearchResult SearchFixture::searchDecidedTo(const char* fen, int depth) {
  return runSearch(engine(), fen, depth, "", searchDecidedFromStart);
}

}  // namespace velt
