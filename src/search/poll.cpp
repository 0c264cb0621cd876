// The input and time poll of the search, run by the polling thread.
#include <cstdlib>

#include "search/clock.h"
#include "search/node.h"
#include "search/parallel.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace velt {

namespace {

// The opponent played the expected move: the ponder search becomes the real one.
void ponderHit(const std::uint32_t now) {
  reprintThinking();
  const int pondered = static_cast<int>((now - allotment.searchStartTime) / 10);
  allotment.searchStartTime = now;
  if (timeControl.baseTime != 0 || timeControl.movesPerSession != 0) {
    allocateTime(gamePosition.side, gamePosition.gamePly);
    if (search.rootScore >= -99 && search.rootScore <= 199 && search.rootScore > recentRootScores[0] - 15) {
      allotment.ponderCredit = pondered;
    }
  }
  search.pondering = false;
  const Worker& pos = gamePosition;
  const Move best = pos.pv[0][0];
  const bool recapture = search.recaptureSquare >= 0 && moveTo(best) == search.recaptureSquare;
  const bool creditCovers = allotment.ponderCredit > allotment.targetTime &&
                            !allotment.iterationFlags->bestMoveChanged && !allotment.iterationFlags->failLowSeen;
  search.stopState =
      pos.pvLength[0] >= 2 && search.onFirstRootMove && (recapture || creditCovers) ? STOP_MOVE_NOW : STOP_NONE;
}

}  // namespace

void pollSearch(Worker& pos) {
  if (search.iterationDepth <= 6 && search.stopState == STOP_NONE) return;
  const std::uint32_t now = currentTimeMs();
  if (search.stopState == STOP_NONE && search.pollReadsInput && search.readWaitingInput) {
    search.readWaitingInput();
  }
  if (search.stopState == STOP_PONDER_HIT) ponderHit(now);
  // The polls come some milliseconds apart: the search stops at the last one before
  // the hard limit, the one that finds less time left than has passed since the last.
  const std::uint32_t sinceLastPoll = now - allotment.lastPollMs;
  allotment.lastPollMs = now;
  const bool clockUp = allotment.clockLimitMs > 0 && now - allotment.searchStartTime + sinceLastPoll >=
                                                         static_cast<std::uint32_t>(allotment.clockLimitMs);
  const bool timeUp =
      timeControl.timePerMove > 0 && !search.pondering && (elapsedCs(now) > timeControl.timePerMove || clockUp);
  if (timeUp && search.stopState == STOP_NONE) search.stopState = STOP_MOVE_NOW;
  if (search.stopState == STOP_NONE) printProgress();
  if (search.stopState != STOP_NONE) {
    setStop(pos);
    stopAllSearchThreads();
  }
}

}  // namespace velt
