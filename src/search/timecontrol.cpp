// Time allotment and the stop rules that end the iterative deepening.
#include "search/timecontrol.h"

#include <algorithm>
#include <cstdlib>

#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/engine_options.h"

namespace velt {

namespace {

constexpr int LAG_WINDOW = 16;

// Moves left until the next time control: UCI sends it with every "go"; xboard's
// count follows from the moves played.
int movesToGo(int gamePly) {
  if (engineFlags & FLAG_UCI) return timeControl.movesPerSession;
  return timeControl.movesPerSession - (gamePly / 2) % timeControl.movesPerSession;
}

// Below the one-second reserve the floor of 20 centiseconds can exceed the clock
// itself: the hard limit keeps a quarter of what is left (less a little for the
// front end's own delay), so that a low clock is never overdrawn.
void capToClock(int rootSide) {
  timeControl.timePerMove = std::min(timeControl.timePerMove, std::max((timeControl.clockCs[rootSide] - 5) * 3 / 4, 1));
  allotment.targetTime = std::min(allotment.targetTime, timeControl.timePerMove);
}

// The allotment by the rules of the control in force.
void allotByControl(int rootSide, int gamePly) {
  if (timeControl.movesPerSession == 0 && timeControl.baseTime == 0) {
    allotment.targetTime = timeControl.timePerMove;
    return;
  }
  int myTime = std::max(timeControl.clockCs[rootSide] - 100, 20);
  const int oppTime = timeControl.clockCs[rootSide ^ 1];
  if (timeControl.movesPerSession == 0) {
    allotment.targetTime = std::max(myTime / allotment.movesToPlan + timeControl.increment, 5);
    allotment.timeReserve = 200;
    if (timeControl.increment == 0) {
      const int k = recentRootScores[0] < -20 ? -(recentRootScores[0] / 20) : 0;
      if (oppTime > (8LL + k) * myTime / 8) {
        allotment.targetTime =
            std::max(static_cast<int>(static_cast<double>(allotment.targetTime) * myTime / oppTime), 5);
      }
    }
  } else {
    const int mtg = std::max(movesToGo(gamePly), 1);
    allotment.timeReserve = allotment.averageLag * mtg;
    if (myTime - 5 * mtg <= allotment.timeReserve) {
      allotment.targetTime = timeControl.timePerMove = 5;
      return;
    }
    myTime -= allotment.timeReserve;
    const int perMove = timeControl.baseTime / timeControl.movesPerSession;
    allotment.targetTime = std::min(2 * perMove, myTime / mtg);
    if (mtg == 1) {
      timeControl.timePerMove = myTime;
      return;
    }
    allotment.targetTime += timeControl.increment;
    if (myTime < oppTime && timeControl.increment <= 100) {
      if (allotment.targetTime < perMove / 2) {
        allotment.targetTime /= 2;
      } else if (allotment.targetTime < 3 * perMove / 4) {
        allotment.targetTime = allotment.targetTime * 3 / 4;
      }
    }
  }
  timeControl.timePerMove = std::min(4 * allotment.targetTime, myTime / 3 + allotment.targetTime);
  timeControl.timePerMove = std::min(timeControl.timePerMove, timeControl.increment > 0 ? myTime : myTime / 2);
}

// The clock of the side to move in milliseconds, exact when UCI gave it.
int moverClock(int rootSide) {
  return timeControl.moverClockMs > 0 ? timeControl.moverClockMs : timeControl.clockCs[rootSide] * 10;
}

// The allotment's floors (20 centiseconds of working time, 5 of target) and its
// centisecond steps can ask for more than a very low clock holds. There neither the
// plan nor the hard limit may exceed half of what the clock holds beyond the transport
// margin, and the time is checked in milliseconds; at normal clocks nothing changes.
void capToClockMs(int rootSide) {
  allotment.clockLimitMs = 0;
  allotment.instantMove = false;
  // The usual polling interval can be tens of milliseconds before it is tuned.
  if (timeControl.timePerMove < SHORT_LIMIT_CS) search.pollMask = std::min(search.pollMask, SHORT_LIMIT_POLL_MASK);
  const int marginMs = std::max(allotment.averageLag * 10, TRANSPORT_MARGIN_MS);
  const int budgetMs = moverClock(rootSide) - marginMs;
  allotment.instantMove = budgetMs < INSTANT_MOVE_MS;
  // Half the budget at most, so that a late wake-up of the process still fits; the
  // centisecond limit stops the search within one centisecond after it.
  const int limitMs = budgetMs / 2;
  if (!allotment.instantMove && limitMs > (timeControl.timePerMove + 1) * 10) return;
  allotment.clockLimitMs = std::max(std::min(timeControl.timePerMove * 10, limitMs), 1);
  allotment.targetTime = std::max(std::min(allotment.targetTime, allotment.clockLimitMs / 10), 1);
}

// A mate ends the search once the iterations have reached its length. A longer mate
// shows earlier, through an extended line or a tablebase value, while a shorter one may
// still be beyond the depth; stopping on it plays a slower mate, and with tablebases,
// where every winning move shows a mate at once, a move that makes no progress at all.
bool mateWithinDepth(int score, int depthHalfPlies) {
  return std::abs(score) > MATE_BOUND && MATE_SCORE - std::abs(score) <= depthHalfPlies / ONE_PLY;
}

}  // namespace

int elapsedCs(std::uint32_t nowMs) {
  return static_cast<int>((nowMs - allotment.searchStartTime) / 10) + allotment.ponderCredit;
}

int decidedMovesToPlan(int rule50, bool pawnsOnBoard) {
  if (pawnsOnBoard) return SUDDEN_DEATH_MOVES;
  return std::max((100 - rule50) / 4, DECIDED_MOVES_FLOOR);
}

void allocateTime(int rootSide, int gamePly) {
  allotByControl(rootSide, gamePly);
  if (timeControl.movesPerSession != 0 || timeControl.baseTime != 0) {
    capToClock(rootSide);
    capToClockMs(rootSide);
  } else {
    // A fixed time per move (UCI "movetime", xboard "st") is all the front end allows:
    // it is kept to the millisecond, less the transport margin, not a centisecond past.
    allotment.clockLimitMs = std::max(timeControl.timePerMove * 10 - TRANSPORT_MARGIN_MS, 1);
    allotment.instantMove = false;
    if (timeControl.timePerMove < SHORT_LIMIT_CS) search.pollMask = std::min(search.pollMask, SHORT_LIMIT_POLL_MASK);
  }
}

void updateAverageLag() {
  allotment.lagSum += timeControl.timeLag;
  ++allotment.lagCount;
  allotment.averageLag = allotment.lagSum / allotment.lagCount;
  if (allotment.lagCount == LAG_WINDOW) {
    allotment.lagSum = allotment.averageLag;
    allotment.lagCount = 1;
  }
}

void updateLowTimeMode(int rootSide) {
  allotment.lowTimeMode = timeControl.baseTime != 0 && timeControl.movesPerSession == 0 && timeControl.increment == 0 &&
                          timeControl.clockCs[rootSide] < 8 * (5 * std::min(allotment.averageLag, 20) + 25);
}

bool iterationSaysStop(const IterationReport& report) {
  if (allotment.instantMove && !search.pondering) return true;
  const int elapsed = elapsedCs(report.nowMs);
  IterationFlags& flags = *allotment.iterationFlags;
  if (flags.bestMoveChanged) flags.stable = false;
  if (report.score < report.previousScore - 50) {
    flags.stable = false;
  } else if (!search.pondering) {
    if (elapsed > allotment.targetTime * 7 / 8) return true;
    if (!report.noProgress) {
      if (elapsed > allotment.targetTime * 6 / 8 && !flags.bestMoveChanged) return true;
      if (elapsed > allotment.targetTime * 5 / 8 && !flags.bestMoveChanged && !flags.failLowSeen) return true;
      if (elapsed > allotment.targetTime * 3 / 8 && flags.stable) return true;
    }
  }
  if (report.depth >= 6) {
    if (mateWithinDepth(report.score, report.depth)) return true;
    if (report.singleMove && !search.pondering) return true;
  }
  if (report.recapture && !search.pondering && report.depth >= 12 &&
      ((engineFlags & FLAG_PONDER) == 0 || report.pvLength >= 2)) {
    return true;
  }
  if (allotment.lowTimeMode && !search.pondering && report.depth > 0) {
    if (report.rootTablebaseDraw) return true;
    const int engineSide = report.rootSide;
    if (timeControl.clockCs[engineSide] < timeControl.clockCs[engineSide ^ 1] + 50 && report.depth >= 12) {
      if (report.score >= recentRootScores[0] - 25) return true;
      return timeControl.clockCs[engineSide] < 50 * (std::min(allotment.averageLag, 10) + 2);
    }
  }
  return false;
}

void tunePollInterval(std::uint64_t nodes, std::uint32_t hits, std::uint32_t elapsedMs, int threads) {
  if (elapsedMs <= 100) return;
  int period = 100;
  int hitFactor = 200;
  if (timeControl.movesPerSession == 0 && timeControl.timePerMove < 100) {
    period = 25;
    hitFactor = 75;
  } else if (timeControl.timePerMove < 200) {
    period = 50;
    hitFactor = 100;
  }
  const std::uint64_t n = nodes * static_cast<std::uint64_t>(period) / (static_cast<std::uint64_t>(std::max(threads, 1)) * elapsedMs);
  std::uint64_t m = 15;
  while (m <= n) m = 2 * m + 1;
  search.pollMask = static_cast<std::uint32_t>(std::max<std::uint64_t>(m >> 1, 7));
  search.tbPollInterval = std::max(static_cast<int>(static_cast<std::uint64_t>(hits) * hitFactor / elapsedMs), 1);
}

}  // namespace velt
