// The time poll of the search, run by the polling thread. Commands reach the search
// only as its stop flag, which the shell's command reader sets.
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

// Iterations up to this depth (half-plies) take a few milliseconds together: they run
// to their end undisturbed, by commands and by the clock alike.
constexpr int UNDISTURBED_DEPTH = 6;

// The opponent played the expected move: the ponder search becomes the real one.
void ponderHit(const std::uint32_t now) {
  repeatThinking();
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

void publishProgress(std::uint32_t now) {
  PolledProgress& polled = search.polled;
  polled.elapsedMs.store(now - allotment.searchStartTime, std::memory_order_relaxed);
  polled.nodes.store(search.totalNodes, std::memory_order_relaxed);
  polled.iterationDepth.store(search.iterationDepth, std::memory_order_relaxed);
  polled.rootMoveCount.store(search.rootProgress.moveCount, std::memory_order_relaxed);
  polled.rootMoveIndex.store(search.rootProgress.moveIndex, std::memory_order_relaxed);
  polled.rootMove.store(search.rootProgress.move, std::memory_order_relaxed);
  polled.bestMove.store(search.bestMove, std::memory_order_relaxed);
}

}  // namespace

void pollSearch(Worker& pos) {
  const bool takesCommands = search.iterationDepth > UNDISTURBED_DEPTH && search.pollReadsInput;
  if (!takesCommands && search.takesCommands) search.takesCommands = false;
  if (search.iterationDepth <= UNDISTURBED_DEPTH && search.stopState == STOP_NONE) return;
  const std::uint32_t now = currentTimeMs();
  if (takesCommands) {
    // Published before the commands that read it can come in.
    publishProgress(now);
    if (!search.takesCommands) search.takesCommands = true;
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
  int none = STOP_NONE;
  if (timeUp) search.stopState.compare_exchange_strong(none, STOP_MOVE_NOW);
  if (search.stopState == STOP_NONE) reportProgress();
  if (search.stopState != STOP_NONE) {
    setStop(pos);
    stopAllSearchThreads();
  }
}

}  // namespace velt
