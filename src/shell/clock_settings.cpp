// Time-control arithmetic of the protocol commands.
#include "shell/clock_settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "search/search_state.h"
#include "search/tt.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace {

constexpr int MAX_DEPTH_LIMIT = 60;
constexpr int MAX_LAG = 200;
constexpr int CS_PER_SECOND = 100;

// Set by a "level" whose base is zero: the base is then taken from the first clock
// that "time" reports. "level" writes the base in whole seconds at best, so a front
// end can only give a control under a second this way.
bool baseAwaitsClock = false;

// The lag may not eat more than a move's share of a session.
void limitLagToSession() {
  if (movesPerSession <= 0) return;
  const int share = baseTime / movesPerSession;
  if (timeLag > share) timeLag = std::max(share - 20, 20);
}

void clearClockControl() {
  baseAwaitsClock = false;
  movesPerSession = 0;
  baseTime = 0;
  increment = 0;
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
  baseTime = base;
  timePerMove = movesPerSession < 1 ? baseTime : baseTime / movesPerSession * 2;
  clockCs[WHITE] = clockCs[BLACK] = baseTime;
}

}  // namespace

int commandNumber(const char* text) { return parseDecimal(text); }

int clockFromText(const char* text) { return std::clamp(commandNumber(text), -MAX_CLOCK_CS, MAX_CLOCK_CS); }

int depthFromText(const char* text) {
  const int depth = static_cast<std::int16_t>(static_cast<std::uint16_t>(commandNumber(text)));
  return std::clamp(depth, 1, MAX_DEPTH_LIMIT);
}

void setMoveTime(int milliseconds) {
  clearClockControl();
  maxSearchDepth = MAX_DEPTH_LIMIT;
  timePerMove = std::clamp(milliseconds / 10, 1, MAX_CLOCK_CS);
  clockCs[WHITE] = clockCs[BLACK] = timePerMove;
}

void setDepthLimit(int depth) {
  clearClockControl();
  maxSearchDepth = depth;
  timePerMove = 0;
  clockCs[WHITE] = clockCs[BLACK] = 0;
}

void setSecondsPerMove(int seconds) {
  clearClockControl();
  maxSearchDepth = MAX_DEPTH_LIMIT;
  timePerMove = static_cast<int>(std::clamp<long long>(seconds * 100LL, 1, MAX_CLOCK_CS));
  clockCs[WHITE] = clockCs[BLACK] = timePerMove;
}

void setLevel(int moves, const char* baseMinutes, const char* incrementSeconds) {
  long long base = commandNumber(baseMinutes) * 60LL * CS_PER_SECOND;
  if (const char* colon = std::strchr(baseMinutes, ':')) base += commandNumber(colon + 1) * 1LL * CS_PER_SECOND;
  clearClockControl();
  movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  increment = std::clamp(secondsToCs(incrementSeconds), 0, MAX_INCREMENT_CS);
  maxSearchDepth = MAX_DEPTH_LIMIT;
  startLevelClock(static_cast<int>(std::clamp<long long>(base, 0, MAX_CLOCK_CS)));
  baseAwaitsClock = baseTime == 0;
}

void takeBaseFromClock(int reportedClock) {
  if (!baseAwaitsClock || reportedClock <= 0) return;
  baseAwaitsClock = false;
  startLevelClock(reportedClock);
}

void setUciClock(int side, int incrementCs, int moves) {
  baseAwaitsClock = false;
  movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  baseTime = clockCs[side];
  increment = std::clamp(incrementCs, 0, MAX_INCREMENT_CS);
  maxSearchDepth = MAX_DEPTH_LIMIT;
  timePerMove = movesPerSession > 0 ? baseTime / movesPerSession * 2 : baseTime;
}

void estimateUciLag(int ownClock, int reportedClock) {
  const long long lag = static_cast<long long>(ownClock) - reportedClock;
  if (lag < 0 || (increment > 0 && lag >= increment)) return;
  // While the engine ponders the lag of several moves adds up on its clock.
  const bool addUp = (engineFlags & FLAG_PONDER) && !pondering && std::abs(recentRootScores[0]) < MATE_BOUND;
  timeLag = static_cast<int>(std::min<long long>(addUp ? timeLag + lag : lag + 1, MAX_LAG));
  if (timeLag < 1 || (increment > 0 && timeLag > increment)) timeLag = 1;
  if (timeLag > MAX_LAG) timeLag = MAX_LAG;
  limitLagToSession();
}

void estimateXboardLag(int ownClock, int reportedClock) {
  timeLag = static_cast<int>(std::clamp(static_cast<long long>(ownClock) - reportedClock + 1, 1LL, 1LL * MAX_LAG));
  limitLagToSession();
}

void setDefaultTimeControl() {
  clearClockControl();
  baseTime = 500;
  timePerMove = 500;
  maxSearchDepth = MAX_DEPTH_LIMIT;
  options.multiPV = 1;
}
