// Time allotment and the stop rules that end the iterative deepening.
#include "search/timecontrol.h"

#include <algorithm>
#include <cstdlib>

#include "search/engine_core.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/tt.h"
#include "search/engine_options.h"

namespace velt {

namespace {

constexpr int LAG_WINDOW = 16;

// Moves left until the next time control: UCI sends it with every "go"; xboard's
// count follows from the moves played.
int movesToGo(EngineCore& engine, int gamePly) {
  if (engine.engineFlags & FLAG_UCI) return engine.timeControl.movesPerSession;
  return engine.timeControl.movesPerSession - (gamePly / 2) % engine.timeControl.movesPerSession;
}

// Below the one-second reserve the floor of 20 centiseconds can exceed the clock
// itself: the hard limit keeps a quarter of what is left (less a little for the
// front end's own delay), so that a low clock is never overdrawn.
void capToClock(EngineCore& engine, int rootSide) {
  engine.timeControl.timePerMove =
      std::min(engine.timeControl.timePerMove, std::max((engine.timeControl.clockCs[rootSide] - 5) * 3 / 4, 1));
  engine.allotment.targetTime = std::min(engine.allotment.targetTime, engine.timeControl.timePerMove);
}

// The allotment by the rules of the control in force.
void allotByControl(EngineCore& engine, int rootSide, int gamePly) {
  if (engine.timeControl.movesPerSession == 0 && engine.timeControl.baseTime == 0) {
    engine.allotment.targetTime = engine.timeControl.timePerMove;
    return;
  }
  int myTime = std::max(engine.timeControl.clockCs[rootSide] - 100, 20);
  const int oppTime = engine.timeControl.clockCs[rootSide ^ 1];
  if (engine.timeControl.movesPerSession == 0) {
    engine.allotment.targetTime = std::max(myTime / engine.allotment.movesToPlan + engine.timeControl.increment, 5);
    engine.allotment.timeReserve = 200;
    if (engine.timeControl.increment == 0) {
      const int k = engine.tt.recentRootScores[0] < -20 ? -(engine.tt.recentRootScores[0] / 20) : 0;
      if (oppTime > (8LL + k) * myTime / 8) {
        engine.allotment.targetTime =
            std::max(static_cast<int>(static_cast<double>(engine.allotment.targetTime) * myTime / oppTime), 5);
      }
    }
  } else {
    const int mtg = std::max(movesToGo(engine, gamePly), 1);
    engine.allotment.timeReserve = engine.allotment.averageLag * mtg;
    if (myTime - 5 * mtg <= engine.allotment.timeReserve) {
      engine.allotment.targetTime = engine.timeControl.timePerMove = 5;
      return;
    }
    myTime -= engine.allotment.timeReserve;
    const int perMove = engine.timeControl.baseTime / engine.timeControl.movesPerSession;
    engine.allotment.targetTime = std::min(2 * perMove, myTime / mtg);
    if (mtg == 1) {
      engine.timeControl.timePerMove = myTime;
      return;
    }
    engine.allotment.targetTime += engine.timeControl.increment;
    if (myTime < oppTime && engine.timeControl.increment <= 100) {
      if (engine.allotment.targetTime < perMove / 2) {
        engine.allotment.targetTime /= 2;
      } else if (engine.allotment.targetTime < 3 * perMove / 4) {
        engine.allotment.targetTime = engine.allotment.targetTime * 3 / 4;
      }
    }
  }
  engine.timeControl.timePerMove = std::min(4 * engine.allotment.targetTime, myTime / 3 + engine.allotment.targetTime);
  engine.timeControl.timePerMove =
      std::min(engine.timeControl.timePerMove, engine.timeControl.increment > 0 ? myTime : myTime / 2);
}

// The clock of the side to move in milliseconds, exact when UCI gave it.
int moverClock(EngineCore& engine, int rootSide) {
  return engine.timeControl.moverClockMs > 0 ? engine.timeControl.moverClockMs
                                             : engine.timeControl.clockCs[rootSide] * 10;
}

// The allotment's floors (20 centiseconds of working time, 5 of target) and its
// centisecond steps can ask for more than a very low clock holds. There neither the
// plan nor the hard limit may exceed half of what the clock holds beyond the transport
// margin, and the time is checked in milliseconds; at normal clocks nothing changes.
void capToClockMs(EngineCore& engine, int rootSide) {
  engine.allotment.clockLimitMs = 0;
  engine.allotment.instantMove = false;
  // The usual polling interval can be tens of milliseconds before it is tuned.
  if (engine.timeControl.timePerMove < SHORT_LIMIT_CS)
    engine.search.pollMask = std::min(engine.search.pollMask, SHORT_LIMIT_POLL_MASK);
  const int marginMs = std::max(engine.allotment.averageLag * 10, TRANSPORT_MARGIN_MS);
  const int budgetMs = moverClock(engine, rootSide) - marginMs;
  engine.allotment.instantMove = budgetMs < INSTANT_MOVE_MS;
  // Half the budget at most, so that a late wake-up of the process still fits; the
  // centisecond limit stops the search within one centisecond after it. With an
  // increment the cushion is kept, or won back half an increment a move.
  int limitMs = budgetMs / 2;
  const int incrementMs = engine.timeControl.increment * 10;
  if (incrementMs > 0) limitMs = std::min(limitMs, std::max(budgetMs - STALL_CUSHION_MS, incrementMs / 2));
  if (!engine.allotment.instantMove && limitMs > (engine.timeControl.timePerMove + 1) * 10) return;
  engine.allotment.clockLimitMs = std::max(std::min(engine.timeControl.timePerMove * 10, limitMs), 1);
  engine.allotment.targetTime = std::max(std::min(engine.allotment.targetTime, engine.allotment.clockLimitMs / 10), 1);
}

// A mate ends the search once the iterations have reached its length. A longer mate
// shows earlier, through an extended line or a tablebase value, while a shorter one may
// still be beyond the depth; stopping on it plays a slower mate, and with tablebases,
// where every winning move shows a mate at once, a move that makes no progress at all.
bool mateWithinDepth(int score, int depthHalfPlies) {
  return std::abs(score) > MATE_BOUND && MATE_SCORE - std::abs(score) <= depthHalfPlies / ONE_PLY;
}

}  // namespace

void capPollWhilePondering(EngineCore& engine) {
  if (engine.search.pondering) engine.search.pollMask = std::min(engine.search.pollMask, SHORT_LIMIT_POLL_MASK);
}

int elapsedCs(EngineCore& engine, std::uint32_t nowMs) {
  return static_cast<int>((nowMs - engine.allotment.searchStartTime) / 10) + engine.allotment.ponderCredit;
}

int decidedMovesToPlan(int rule50, bool pawnsOnBoard) {
  if (pawnsOnBoard) return SUDDEN_DEATH_MOVES;
  return std::max((100 - rule50) / 4, DECIDED_MOVES_FLOOR);
}

void allocateTime(EngineCore& engine, int rootSide, int gamePly) {
  allotByControl(engine, rootSide, gamePly);
  if (engine.timeControl.movesPerSession != 0 || engine.timeControl.baseTime != 0) {
    capToClock(engine, rootSide);
    capToClockMs(engine, rootSide);
  } else {
    // A fixed time per move (UCI "movetime", xboard "st") is all the front end allows:
    // it is kept to the millisecond, less the transport margin, not a centisecond past.
    engine.allotment.clockLimitMs = std::max(engine.timeControl.timePerMove * 10 - TRANSPORT_MARGIN_MS, 1);
    engine.allotment.instantMove = false;
    if (engine.timeControl.timePerMove < SHORT_LIMIT_CS)
      engine.search.pollMask = std::min(engine.search.pollMask, SHORT_LIMIT_POLL_MASK);
  }
}

void updateAverageLag(EngineCore& engine) {
  engine.allotment.lagSum += engine.timeControl.timeLag;
  ++engine.allotment.lagCount;
  engine.allotment.averageLag = engine.allotment.lagSum / engine.allotment.lagCount;
  if (engine.allotment.lagCount == LAG_WINDOW) {
    engine.allotment.lagSum = engine.allotment.averageLag;
    engine.allotment.lagCount = 1;
  }
}

void updateLowTimeMode(EngineCore& engine, int rootSide) {
  engine.allotment.lowTimeMode =
      engine.timeControl.baseTime != 0 && engine.timeControl.movesPerSession == 0 &&
      engine.timeControl.increment == 0 &&
      engine.timeControl.clockCs[rootSide] < 8 * (5 * std::min(engine.allotment.averageLag, 20) + 25);
}

bool iterationSaysStop(EngineCore& engine, const IterationReport& report) {
  if (engine.allotment.instantMove && !engine.search.pondering) return true;
  const int elapsed = elapsedCs(engine, report.nowMs);
  IterationFlags& flags = *engine.allotment.iterationFlags;
  if (flags.bestMoveChanged) flags.stable = false;
  if (report.score < report.previousScore - 50) {
    flags.stable = false;
  } else if (!engine.search.pondering) {
    if (elapsed > engine.allotment.targetTime * 7 / 8) return true;
    if (!report.noProgress) {
      if (elapsed > engine.allotment.targetTime * 6 / 8 && !flags.bestMoveChanged) return true;
      if (elapsed > engine.allotment.targetTime * 5 / 8 && !flags.bestMoveChanged && !flags.failLowSeen) return true;
      if (elapsed > engine.allotment.targetTime * 3 / 8 && flags.stable) return true;
    }
  }
  if (report.depth >= 6) {
    if (mateWithinDepth(report.score, report.depth)) return true;
    if (report.singleMove && !engine.search.pondering) return true;
  }
  if (report.recapture && !engine.search.pondering && report.depth >= 12 &&
      ((engine.engineFlags & FLAG_PONDER) == 0 || report.pvLength >= 2)) {
    return true;
  }
  if (engine.allotment.lowTimeMode && !engine.search.pondering && report.depth > 0) {
    if (report.rootTablebaseDraw) return true;
    const int engineSide = report.rootSide;
    if (engine.timeControl.clockCs[engineSide] < engine.timeControl.clockCs[engineSide ^ 1] + 50 &&
        report.depth >= 12) {
      if (report.score >= engine.tt.recentRootScores[0] - 25) return true;
      return engine.timeControl.clockCs[engineSide] < 50 * (std::min(engine.allotment.averageLag, 10) + 2);
    }
  }
  return false;
}

void tunePollInterval(EngineCore& engine, std::uint64_t nodes, std::uint32_t hits, std::uint32_t elapsedMs,
                      int threads) {
  if (elapsedMs <= 100) return;
  int period = 100;
  int hitFactor = 200;
  if (engine.timeControl.movesPerSession == 0 && engine.timeControl.timePerMove < 100) {
    period = 25;
    hitFactor = 75;
  } else if (engine.timeControl.timePerMove < 200) {
    period = 50;
    hitFactor = 100;
  }
  const std::uint64_t n = nodes * static_cast<std::uint64_t>(period) / (static_cast<std::uint64_t>(std::max(threads, 1)) * elapsedMs);
  std::uint64_t m = 15;
  while (m <= n) m = 2 * m + 1;
  engine.search.pollMask = static_cast<std::uint32_t>(std::max<std::uint64_t>(m >> 1, 7));
  capPollWhilePondering(engine);
  engine.search.tbPollInterval =
      std::max(static_cast<int>(static_cast<std::uint64_t>(hits) * hitFactor / elapsedMs), 1);
}

}  // namespace velt
