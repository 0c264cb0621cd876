// Time-control arithmetic of the protocol commands.
#include "shell/clock_settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "search/search_state.h"
#include "search/tt.h"
#include "shell/engine.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int MAX_LAG = 200;
constexpr int CS_PER_SECOND = 100;

// The lag may not eat more than a move's share of a session.
void limitLagToSession(Engine& engine) {
  if (engine.timeControl.movesPerSession <= 0) return;
  const int share = engine.timeControl.baseTime / engine.timeControl.movesPerSession;
  if (engine.timeControl.timeLag > share) engine.timeControl.timeLag = std::max(share - 20, 20);
}

void clearClockControl(Engine& engine) {
  engine.baseAwaitsClock = false;
  engine.timeControl.movesPerSession = 0;
  engine.timeControl.baseTime = 0;
  engine.timeControl.increment = 0;
}

// Seconds with optional decimals ("0.005", "2.5") to centiseconds; decimals beyond
// the second place are dropped.
int secondsToCs(const char* text) {
  long long centiseconds = commandNumber(text) * static_cast<long long>(CS_PER_SECOND);
  if (const char* point = std::strchr(text, '.')) {
    const int sign = text[0] == '-' ? -1 : 1;
    int scale = CS_PER_SECOND / 10;
    for (const char* digit = point + 1; scale > 0 && *digit >= '0' && *digit <= '9'; ++digit, scale /= 10) {
      centiseconds += sign * (*digit - '0') * scale;
    }
  }
  return static_cast<int>(std::clamp<long long>(centiseconds, -MAX_CLOCK_CS, MAX_CLOCK_CS));
}

// The session and per-move limit of a "level" control once its base is known.
void startLevelClock(Engine& engine, int base) {
  engine.timeControl.baseTime = base;
  engine.timeControl.timePerMove = engine.timeControl.movesPerSession < 1
                                       ? engine.timeControl.baseTime
                                       : engine.timeControl.baseTime / engine.timeControl.movesPerSession * 2;
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = engine.timeControl.baseTime;
}

}  // namespace

int commandNumber(const char* text) { return parseDecimal(text); }

int clockFromText(const char* text) { return std::clamp(commandNumber(text), -MAX_CLOCK_CS, MAX_CLOCK_CS); }

int depthFromText(const char* text) {
  const int depth = static_cast<std::int16_t>(static_cast<std::uint16_t>(commandNumber(text)));
  return std::clamp(depth, 1, MAX_DEPTH_LIMIT);
}

void setMoveTime(Engine& engine, int milliseconds) {
  clearClockControl(engine);
  engine.timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  engine.timeControl.timePerMove = std::clamp(milliseconds / 10, 1, MAX_CLOCK_CS);
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = engine.timeControl.timePerMove;
}

void setDepthLimit(Engine& engine, int depth) {
  clearClockControl(engine);
  engine.timeControl.maxSearchDepth = depth;
  engine.timeControl.timePerMove = 0;
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = 0;
}

void setSecondsPerMove(Engine& engine, int seconds) {
  clearClockControl(engine);
  engine.timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  engine.timeControl.timePerMove = static_cast<int>(std::clamp<long long>(seconds * 100LL, 1, MAX_CLOCK_CS));
  engine.timeControl.clockCs[WHITE] = engine.timeControl.clockCs[BLACK] = engine.timeControl.timePerMove;
}

void setLevel(Engine& engine, int moves, const char* baseMinutes, const char* incrementSeconds) {
  long long base = commandNumber(baseMinutes) * 60LL * CS_PER_SECOND;
  if (const char* colon = std::strchr(baseMinutes, ':')) base += commandNumber(colon + 1) * 1LL * CS_PER_SECOND;
  clearClockControl(engine);
  engine.timeControl.movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  engine.timeControl.increment = std::clamp(secondsToCs(incrementSeconds), 0, MAX_INCREMENT_CS);
  engine.timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  startLevelClock(engine, static_cast<int>(std::clamp<long long>(base, 0, MAX_CLOCK_CS)));
  engine.baseAwaitsClock = engine.timeControl.baseTime == 0;
}

void takeBaseFromClock(Engine& engine, int reportedClock) {
  if (!engine.baseAwaitsClock || reportedClock <= 0) return;
  engine.baseAwaitsClock = false;
  startLevelClock(engine, reportedClock);
}

void setUciClock(Engine& engine, int side, int incrementCs, int moves) {
  engine.baseAwaitsClock = false;
  engine.timeControl.movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  engine.timeControl.baseTime = engine.timeControl.clockCs[side];
  engine.timeControl.increment = std::clamp(incrementCs, 0, MAX_INCREMENT_CS);
  engine.timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  engine.timeControl.timePerMove = engine.timeControl.movesPerSession > 0
                                       ? engine.timeControl.baseTime / engine.timeControl.movesPerSession * 2
                                       : engine.timeControl.baseTime;
}

void estimateUciLag(Engine& engine, int ownClock, int reportedClock) {
  const long long lag = static_cast<long long>(ownClock) - reportedClock;
  if (lag < 0 || (engine.timeControl.increment > 0 && lag >= engine.timeControl.increment)) return;
  // While the engine ponders the lag of several moves adds up on its clock.
  const bool addUp = (engine.engineFlags & FLAG_PONDER) && !engine.search.pondering &&
                     std::abs(engine.tt.recentRootScores[0]) < MATE_BOUND;
  engine.timeControl.timeLag =
      static_cast<int>(std::min<long long>(addUp ? engine.timeControl.timeLag + lag : lag + 1, MAX_LAG));
  if (engine.timeControl.timeLag < 1 ||
      (engine.timeControl.increment > 0 && engine.timeControl.timeLag > engine.timeControl.increment)) {
    engine.timeControl.timeLag = 1;
  }
  if (engine.timeControl.timeLag > MAX_LAG) engine.timeControl.timeLag = MAX_LAG;
  limitLagToSession(engine);
}

void estimateXboardLag(Engine& engine, int ownClock, int reportedClock) {
  engine.timeControl.timeLag =
      static_cast<int>(std::clamp(static_cast<long long>(ownClock) - reportedClock + 1, 1LL, 1LL * MAX_LAG));
  limitLagToSession(engine);
}

void setDefaultTimeControl(Engine& engine) {
  clearClockControl(engine);
  engine.timeControl.baseTime = 500;
  engine.timeControl.timePerMove = 500;
  engine.timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  engine.limits = {};
  engine.options.multiPV = 1;
}

}  // namespace velt
