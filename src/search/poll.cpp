// The time poll of the search, run by the polling thread. Commands reach the search
// only as its stop flag, which the shell's command reader sets.
#include <cstdlib>

#include "search/clock.h"
#include "search/engine_core.h"
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
void ponderHit(EngineCore& engine, const std::uint32_t now) {
  repeatThinking(engine);
  // The hit counts from its arrival, when it came during this search.
  const std::uint32_t arrival = engine.search.ponderHitMs.exchange(0, std::memory_order_relaxed);
  const std::uint32_t hit =
      arrival != 0 && now - arrival <= now - engine.allotment.searchStartTime ? arrival : now;
  const int pondered = static_cast<int>((hit - engine.allotment.searchStartTime) / 10);
  engine.allotment.searchStartTime = hit;
  const int reportedClock = engine.search.ponderClockCs.exchange(-1, std::memory_order_relaxed);
  if (reportedClock >= 0) engine.timeControl.clockCs[engine.gamePosition.side] = reportedClock;
  if (engine.timeControl.baseTime != 0 || engine.timeControl.movesPerSession != 0) {
    allocateTime(engine, engine.gamePosition.side, engine.gamePosition.gamePly);
    if (engine.search.rootScore >= -99 && engine.search.rootScore <= 199 &&
        engine.search.rootScore > engine.tt.recentRootScores[0] - 15) {
      engine.allotment.ponderCredit = pondered;
    }
  }
  engine.search.pondering = false;
  const Worker& pos = engine.gamePosition;
  const Move best = pos.pv[0][0];
  const bool recapture = engine.search.recaptureSquare >= 0 && moveTo(best) == engine.search.recaptureSquare;
  const bool creditCovers = engine.allotment.ponderCredit > engine.allotment.targetTime &&
                            !engine.allotment.iterationFlags->bestMoveChanged &&
                            !engine.allotment.iterationFlags->failLowSeen;
  engine.search.stopState =
      pos.pvLength[0] >= 2 && engine.search.onFirstRootMove && (recapture || creditCovers) ? STOP_MOVE_NOW : STOP_NONE;
}

// A node limit holds from the first iteration on; a ponder search has none until
// the ponder hit.
bool nodeLimitReached(const EngineCore& engine, const Worker& pos) {
  return engine.limits.nodes > 0 && !engine.search.pondering && nodesSoFar(pos) >= engine.limits.nodes;
}

void publishProgress(EngineCore& engine, std::uint32_t now) {
  PolledProgress& polled = engine.search.polled;
  polled.elapsedMs.store(now - engine.allotment.searchStartTime, std::memory_order_relaxed);
  polled.nodes.store(engine.search.totalNodes, std::memory_order_relaxed);
  polled.iterationDepth.store(engine.search.iterationDepth, std::memory_order_relaxed);
  polled.rootMoveCount.store(engine.search.rootProgress.moveCount, std::memory_order_relaxed);
  polled.rootMoveIndex.store(engine.search.rootProgress.moveIndex, std::memory_order_relaxed);
  polled.rootMove.store(engine.search.rootProgress.move, std::memory_order_relaxed);
  const Worker& root = engine.gamePosition;  // its line is written by this thread only
  polled.pvMove.store(root.pvLength[0] > 0 ? root.pv[0][0] : MOVE_NONE, std::memory_order_relaxed);
}

}  // namespace

void pollSearch(Worker& pos) {
  EngineCore& engine = *pos.engine;
  if (nodeLimitReached(engine, pos)) {
    int none = STOP_NONE;
    engine.search.stopState.compare_exchange_strong(none, STOP_MOVE_NOW);
  }
  const bool takesCommands = engine.search.iterationDepth > UNDISTURBED_DEPTH && engine.search.pollReadsInput;
  if (!takesCommands && engine.search.takesCommands) engine.search.takesCommands = false;
  if (engine.search.iterationDepth <= UNDISTURBED_DEPTH && engine.search.stopState == STOP_NONE) return;
  followMachineLoad(engine.pool);
  const std::uint32_t now = currentTimeMs();
  if (takesCommands) {
    // Published before the commands that read it can come in.
    publishProgress(engine, now);
    if (!engine.search.takesCommands) engine.search.takesCommands = true;
  }
  if (engine.search.stopState == STOP_PONDER_HIT) ponderHit(engine, now);
  // The polls come some milliseconds apart: the search stops at the last one before
  // the hard limit, the one that finds less time left than has passed since the last.
  const std::uint32_t sinceLastPoll = now - engine.allotment.lastPollMs;
  engine.allotment.lastPollMs = now;
  const bool clockUp = engine.allotment.clockLimitMs > 0 && now - engine.allotment.searchStartTime + sinceLastPoll >=
                                                         static_cast<std::uint32_t>(engine.allotment.clockLimitMs);
  const bool timeUp = engine.timeControl.timePerMove > 0 && !engine.search.pondering &&
                      (elapsedCs(engine, now) > engine.timeControl.timePerMove || clockUp);
  int none = STOP_NONE;
  if (timeUp) engine.search.stopState.compare_exchange_strong(none, STOP_MOVE_NOW);
  if (engine.search.stopState == STOP_NONE) reportProgress(engine);
  if (engine.search.stopState != STOP_NONE) {
    setStop(pos);
    stopAllSearchThreads(engine.pool);
  }
}

}  // namespace velt
