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

constexpr int MAX_DEPTH_LIMIT = 60;
constexpr int MAX_LAG = 200;
constexpr int CS_PER_SECOND = 100;

// The lag may not eat more than a move's share of a session.
void limitLagToSession() {
  if (timeControl.movesPerSession <= 0) return;
  const int share = timeControl.baseTime / timeControl.movesPerSession;
  if (timeControl.timeLag > share) timeControl.timeLag = std::max(share - 20, 20);
}

void clearClockControl(Engine& engine) {
  engine.baseAwaitsClock = false;
  timeControl.movesPerSession = 0;
  timeControl.baseTime = 0;
  timeControl.increment = 0;
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
void startLevelClock(int base) {
  timeControl.baseTime = base;
  timeControl.timePerMove =
      timeControl.movesPerSession < 1 ? timeControl.baseTime : timeControl.baseTime / timeControl.movesPerSession * 2;
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = timeControl.baseTime;
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
  timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  timeControl.timePerMove = std::clamp(milliseconds / 10, 1, MAX_CLOCK_CS);
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = timeControl.timePerMove;
}

void setDepthLimit(Engine& engine, int depth) {
  clearClockControl(engine);
  timeControl.maxSearchDepth = depth;
  timeControl.timePerMove = 0;
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = 0;
}

void setSecondsPerMove(Engine& engine, int seconds) {
  clearClockControl(engine);
  timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  timeControl.timePerMove = static_cast<int>(std::clamp<long long>(seconds * 100LL, 1, MAX_CLOCK_CS));
  timeControl.clockCs[WHITE] = timeControl.clockCs[BLACK] = timeControl.timePerMove;
}

void setLevel(Engine& engine, int moves, const char* baseMinutes, const char* incrementSeconds) {
  long long base = commandNumber(baseMinutes) * 60LL * CS_PER_SECOND;
  if (const char* colon = std::strchr(baseMinutes, ':')) base += commandNumber(colon + 1) * 1LL * CS_PER_SECOND;
  clearClockControl(engine);
  timeControl.movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  timeControl.increment = std::clamp(secondsToCs(incrementSeconds), 0, MAX_INCREMENT_CS);
  timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  startLevelClock(static_cast<int>(std::clamp<long long>(base, 0, MAX_CLOCK_CS)));
  engine.baseAwaitsClock = timeControl.baseTime == 0;
}

void takeBaseFromClock(Engine& engine, int reportedClock) {
  if (!engine.baseAwaitsClock || reportedClock <= 0) return;
  engine.baseAwaitsClock = false;
  startLevelClock(reportedClock);
}

void setUciClock(Engine& engine, int side, int incrementCs, int moves) {
  engine.baseAwaitsClock = false;
  timeControl.movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  timeControl.baseTime = timeControl.clockCs[side];
  timeControl.increment = std::clamp(incrementCs, 0, MAX_INCREMENT_CS);
  timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  timeControl.timePerMove =
      timeControl.movesPerSession > 0 ? timeControl.baseTime / timeControl.movesPerSession * 2 : timeControl.baseTime;
}

void estimateUciLag(int ownClock, int reportedClock) {
  const long long lag = static_cast<long long>(ownClock) - reportedClock;
  if (lag < 0 || (timeControl.increment > 0 && lag >= timeControl.increment)) return;
  // While the engine ponders the lag of several moves adds up on its clock.
  const bool addUp = (engineFlags & FLAG_PONDER) && !search.pondering && std::abs(recentRootScores[0]) < MATE_BOUND;
  timeControl.timeLag = static_cast<int>(std::min<long long>(addUp ? timeControl.timeLag + lag : lag + 1, MAX_LAG));
  if (timeControl.timeLag < 1 || (timeControl.increment > 0 && timeControl.timeLag > timeControl.increment)) {
    timeControl.timeLag = 1;
  }
  if (timeControl.timeLag > MAX_LAG) timeControl.timeLag = MAX_LAG;
  limitLagToSession();
}

void estimateXboardLag(int ownClock, int reportedClock) {
  timeControl.timeLag =
      static_cast<int>(std::clamp(static_cast<long long>(ownClock) - reportedClock + 1, 1LL, 1LL * MAX_LAG));
  limitLagToSession();
}

void setDefaultTimeControl(Engine& engine) {
  clearClockControl(engine);
  timeControl.baseTime = 500;
  timeControl.timePerMove = 500;
  timeControl.maxSearchDepth = MAX_DEPTH_LIMIT;
  options.multiPV = 1;
}

}  // namespace velt
