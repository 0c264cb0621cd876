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

// The lag may not eat more than a move's share of a session.
void limitLagToSession() {
  if (movesPerSession <= 0) return;
  const int share = baseTime / movesPerSession;
  if (timeLag > share) timeLag = std::max(share - 20, 20);
}

void clearClockControl() {
  movesPerSession = 0;
  baseTime = 0;
  increment = 0;
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

void setLevel(int moves, const char* baseMinutes, int incrementSeconds) {
  long long base = commandNumber(baseMinutes) * 6000LL;
  if (const char* colon = std::strchr(baseMinutes, ':')) base += commandNumber(colon + 1) * 100LL;
  movesPerSession = std::clamp(moves, 0, MAX_MOVES_TO_GO);
  baseTime = static_cast<int>(std::clamp<long long>(base, 0, MAX_CLOCK_CS));
  increment = static_cast<int>(std::clamp<long long>(incrementSeconds * 100LL, 0, MAX_INCREMENT_CS));
  maxSearchDepth = MAX_DEPTH_LIMIT;
  timePerMove = movesPerSession < 1 ? baseTime : baseTime / movesPerSession * 2;
  clockCs[WHITE] = clockCs[BLACK] = baseTime;
}

void setUciClock(int side, int incrementCs, int moves) {
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
