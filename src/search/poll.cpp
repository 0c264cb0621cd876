// The input and time poll of the search, run by the polling thread.
#include <cstdlib>

#include "search/clock.h"
#include "search/node.h"
#include "search/parallel.h"
#include "search/root.h"
#include "search/search_state.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace {

// The opponent played the expected move: the ponder search becomes the real one.
void ponderHit(const std::uint32_t now) {
  reprintThinking();
  const int pondered = static_cast<int>((now - searchStartTime) / 10);
  searchStartTime = now;
  if (baseTime != 0 || movesPerSession != 0) {
    allocateTime(gamePosition.side, gamePosition.gamePly);
    if (rootScore >= -99 && rootScore <= 199 && rootScore > recentRootScores[0] - 15) ponderCredit = pondered;
  }
  pondering = false;
  const Position& pos = gamePosition;
  const Move best = pos.pv[0][0];
  const bool recapture = recaptureSquare >= 0 && moveTo(best) == recaptureSquare;
  const bool creditCovers =
      ponderCredit > targetTime && !iterationFlags->bestMoveChanged && !iterationFlags->failLowSeen;
  stopState = pos.pvLength[0] >= 2 && onFirstRootMove && (recapture || creditCovers) ? STOP_MOVE_NOW : STOP_NONE;
}

}  // namespace

void pollSearch(Position& pos) {
  if (iterationDepth <= 6 && stopState == STOP_NONE) return;
  const std::uint32_t now = currentTimeMs();
  if (stopState == STOP_NONE && pollReadsInput && readWaitingInput != nullptr) readWaitingInput();
  if (stopState == STOP_PONDER_HIT) ponderHit(now);
  const bool clockUp = clockLimitMs > 0 && now - searchStartTime >= static_cast<std::uint32_t>(clockLimitMs);
  const bool timeUp = timePerMove > 0 && !pondering && (elapsedCs(now) > timePerMove || clockUp);
  if (timeUp && stopState == STOP_NONE) stopState = STOP_MOVE_NOW;
  if (stopState == STOP_NONE) printProgress();
  if (stopState != STOP_NONE) {
    setStop(pos);
    stopAllSearchThreads();
  }
}
