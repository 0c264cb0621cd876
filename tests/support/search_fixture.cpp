#include "support/search_fixture.h"

#include <cstdio>

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
                       void (*searchFunction)()) {
  newGame(true);
  EXPECT_TRUE(parseFen(gamePosition, fen)) << fen;
  std::snprintf(velt::search.searchMovesText, sizeof velt::search.searchMovesText, "%s", searchMoves);
  timeControl.maxSearchDepth = depth;
  testing::internal::CaptureStdout();
  velt::search.reporter = searchOutputReporter(engine);
  searchFunction();
  velt::search.reporter = SearchReporter{};
  SearchResult result;
  result.output = testing::internal::GetCapturedStdout();
  result.move = velt::search.bestMove != MOVE_NONE ? moveToCoordinate(velt::search.bestMove) : "none";
  result.score = velt::search.rootScore;
  result.nodes = velt::search.totalNodes;
  return result;
}

void searchDecidedFromStart() { searchDecided(0); }

}  // namespace

Engine& SearchFixture::engine() {
  static Engine suiteEngine;
  return suiteEngine;
}

void SearchFixture::SetUpTestSuite() {
  options.ttIndexMask = TEST_TABLE_MASK;
  ASSERT_TRUE(initApp(engine()));
}

void SearchFixture::SetUp() {
  engineFlags = FLAG_UCI | FLAG_POST;
  velt::search.analysisMode = false;
  velt::search.pondering = false;
  velt::search.stopState = STOP_NONE;
  timeControl.movesPerSession = timeControl.baseTime = timeControl.increment = timeControl.timePerMove = 0;
  // An earlier suite may have left the tables set up with another size.
  if (ttTable == nullptr || ttMask != options.ttIndexMask) {
    ASSERT_TRUE(ttAllocate(options.ttIndexMask));
  }
}

SearchResult SearchFixture::search(const char* fen, int depth, const char* searchMoves) {
  return runSearch(engine(), fen, depth, searchMoves, searchRoot);
}

SearchResult SearchFixture::searchDecidedTo(const char* fen, int depth) {
  return runSearch(engine(), fen, depth, "", searchDecidedFromStart);
}

}  // namespace velt
