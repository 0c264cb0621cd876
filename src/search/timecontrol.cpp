// Time allotment and the stop rules that end the iterative deepening.
#include "search/timecontrol.h"

#include <algorithm>
#include <cstdlib>

#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/engine_options.h"

namespace {

constexpr int LAG_WINDOW = 16;

// Moves left until the next time control: UCI sends it with every "go"; xboard's
// count follows from the moves played.
int movesToGo(int gamePly) {
  if (engineFlags & FLAG_UCI) return movesPerSession;
  return movesPerSession - (gamePly / 2) % movesPerSession;
}

// Below the one-second reserve the floor of 20 centiseconds can exceed the clock
// itself: the hard limit keeps a quarter of what is left (less a little for the
// front end's own delay), so that a low clock is never overdrawn.
void capToClock(int rootSide) {
  timePerMove = std::min(timePerMove, std::max((clockCs[rootSide] - 5) * 3 / 4, 1));
  targetTime = std::min(targetTime, timePerMove);
}

// The allotment by the rules of the control in force.
void allotByControl(int rootSide, int gamePly) {
  if (movesPerSession == 0 && baseTime == 0) {
    targetTime = timePerMove;
    return;
  }
  int myTime = std::max(clockCs[rootSide] - 100, 20);
  const int oppTime = clockCs[rootSide ^ 1];
  if (movesPerSession == 0) {
    targetTime = std::max(myTime / movesToPlan + increment, 5);
    timeReserve = 200;
    if (increment == 0) {
      const int k = recentRootScores[0] < -20 ? -(recentRootScores[0] / 20) : 0;
      if (oppTime > (8LL + k) * myTime / 8) {
        targetTime = std::max(static_cast<int>(static_cast<double>(targetTime) * myTime / oppTime), 5);
      }
    }
  } else {
    const int mtg = std::max(movesToGo(gamePly), 1);
    timeReserve = averageLag * mtg;
    if (myTime - 5 * mtg <= timeReserve) {
      targetTime = timePerMove = 5;
      return;
    }
    myTime -= timeReserve;
    const int perMove = baseTime / movesPerSession;
    targetTime = std::min(2 * perMove, myTime / mtg);
    if (mtg == 1) {
      timePerMove = myTime;
      return;
    }
    targetTime += increment;
    if (myTime < oppTime && increment <= 100) {
      if (targetTime < perMove / 2) {
        targetTime /= 2;
      } else if (targetTime < 3 * perMove / 4) {
        targetTime = targetTime * 3 / 4;
      }
    }
  }
  timePerMove = std::min(4 * targetTime, myTime / 3 + targetTime);
  timePerMove = std::min(timePerMove, increment > 0 ? myTime : myTime / 2);
}

// The clock of the side to move in milliseconds, exact when UCI gave it.
int moverClock(int rootSide) { return moverClockMs > 0 ? moverClockMs : clockCs[rootSide] * 10; }

// The allotment's floors (20 centiseconds of working time, 5 of target) and its
// centisecond steps can ask for more than a very low clock holds. There neither the
// plan nor the hard limit may exceed half of what the clock holds beyond the transport
// margin, and the time is checked in milliseconds; at normal clocks nothing changes.
void capToClockMs(int rootSide) {
  clockLimitMs = 0;
  instantMove = false;
  // The usual polling interval can be tens of milliseconds before it is tuned.
  if (timePerMove < SHORT_LIMIT_CS) pollMask = std::min(pollMask, SHORT_LIMIT_POLL_MASK);
  const int marginMs = std::max(averageLag * 10, TRANSPORT_MARGIN_MS);
  const int budgetMs = moverClock(rootSide) - marginMs;
  instantMove = budgetMs < INSTANT_MOVE_MS;
  // Half the budget at most, so that a late wake-up of the process still fits; the
  // centisecond limit stops the search within one centisecond after it.
  const int limitMs = budgetMs / 2;
  if (!instantMove && limitMs > (timePerMove + 1) * 10) return;
  clockLimitMs = std::max(std::min(timePerMove * 10, limitMs), 1);
  targetTime = std::max(std::min(targetTime, clockLimitMs / 10), 1);
}

// A mate ends the search once the iterations have reached its length. A longer mate
// shows earlier, through an extended line or a tablebase value, while a shorter one may
// still be beyond the depth; stopping on it plays a slower mate, and with tablebases,
// where every winning move shows a mate at once, a move that makes no progress at all.
bool mateWithinDepth(int score, int depthHalfPlies) {
  return std::abs(score) > MATE_BOUND && MATE_SCORE - std::abs(score) <= depthHalfPlies / ONE_PLY;
}

}  // namespace

int elapsedCs(std::uint32_t nowMs) { return static_cast<int>((nowMs - searchStartTime) / 10) + ponderCredit; }

int decidedMovesToPlan(int rule50, bool pawnsOnBoard) {
  if (pawnsOnBoard) return SUDDEN_DEATH_MOVES;
  return std::max((100 - rule50) / 4, DECIDED_MOVES_FLOOR);
}

void allocateTime(int rootSide, int gamePly) {
  allotByControl(rootSide, gamePly);
  if (movesPerSession != 0 || baseTime != 0) {
    capToClock(rootSide);
    capToClockMs(rootSide);
  } else {
    clockLimitMs = 0;
    instantMove = false;
  }
}

void updateAverageLag() {
  lagSum += timeLag;
  ++lagCount;
  averageLag = lagSum / lagCount;
  if (lagCount == LAG_WINDOW) {
    lagSum = averageLag;
    lagCount = 1;
  }
}

void updateLowTimeMode(int rootSide) {
  lowTimeMode = baseTime != 0 && movesPerSession == 0 && increment == 0 &&
                clockCs[rootSide] < 8 * (5 * std::min(averageLag, 20) + 25);
}

bool iterationSaysStop(const IterationReport& report) {
  if (instantMove && !pondering) return true;
  const int elapsed = elapsedCs(report.nowMs);
  IterationFlags& flags = *iterationFlags;
  if (flags.bestMoveChanged) flags.stable = false;
  if (report.score < report.previousScore - 50) {
    flags.stable = false;
  } else if (!pondering) {
    if (elapsed > targetTime * 7 / 8) return true;
    if (!report.noProgress) {
      if (elapsed > targetTime * 6 / 8 && !flags.bestMoveChanged) return true;
      if (elapsed > targetTime * 5 / 8 && !flags.bestMoveChanged && !flags.failLowSeen) return true;
      if (elapsed > targetTime * 3 / 8 && flags.stable) return true;
    }
  }
  if (report.depth >= 6) {
    if (mateWithinDepth(report.score, report.depth)) return true;
    if (report.singleMove && !pondering) return true;
  }
  if (report.recapture && !pondering && report.depth >= 12 &&
      ((engineFlags & FLAG_PONDER) == 0 || report.pvLength >= 2)) {
    return true;
  }
  if (lowTimeMode && !pondering && report.depth > 0) {
    if (report.rootTablebaseDraw) return true;
    const int engineSide = report.rootSide;
    if (clockCs[engineSide] < clockCs[engineSide ^ 1] + 50 && report.depth >= 12) {
      if (report.score >= recentRootScores[0] - 25) return true;
      return clockCs[engineSide] < 50 * (std::min(averageLag, 10) + 2);
    }
  }
  return false;
}

void tunePollInterval(std::uint64_t nodes, std::uint32_t hits, std::uint32_t elapsedMs, int threads) {
  if (elapsedMs <= 100) return;
  int period = 100;
  int hitFactor = 200;
  if (movesPerSession == 0 && timePerMove < 100) {
    period = 25;
    hitFactor = 75;
  } else if (timePerMove < 200) {
    period = 50;
    hitFactor = 100;
  }
  const std::uint64_t n = nodes * static_cast<std::uint64_t>(period) / (static_cast<std::uint64_t>(std::max(threads, 1)) * elapsedMs);
  std::uint64_t m = 15;
  while (m <= n) m = 2 * m + 1;
  pollMask = static_cast<std::uint32_t>(std::max<std::uint64_t>(m >> 1, 7));
  tbPollInterval = std::max(static_cast<int>(static_cast<std::uint64_t>(hits) * hitFactor / elapsedMs), 1);
}
