// Engine-wide search state: the stop request, the time control the protocols set,
// the allotment of the current search, the counters and the root results that the
// move decision reads. One instance; only the main thread writes most of it.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/types.h"

// stopState values: what the input poll or a protocol handler asks of the search.
constexpr int STOP_NONE = 0;
constexpr int STOP_MOVE_NOW = 1;  // time is up, or "move now"
constexpr int STOP_COMMAND = 2;   // a command interrupted the search
constexpr int STOP_PONDER_HIT = 3;

extern int stopState;
extern bool searching;
extern bool pondering;
extern bool analysisMode;  // infinite analysis; also enables bishop under-promotions

// Time control, centiseconds; set by the protocols.
extern int clockCs[2];  // remaining time of white and black
extern int movesPerSession;  // 0: all moves in one session
extern int baseTime;         // time added per session
extern int increment;
extern int timePerMove;  // fixed time per move (0 none); the allotment writes the hard limit here,
                         // so a search has a hard limit exactly when it is not 0
extern int timeLag;      // time lost outside the engine on the last move, 1..200
extern int maxSearchDepth;  // plies
// The clock of the side to move in milliseconds as UCI "go" gave it, 0 when only
// the centisecond clock is known.
extern int moverClockMs;

// The allotment of the current search (centiseconds unless marked ms).
extern std::uint32_t searchStartTime;  // ms, currentTimeMs at the start
extern int targetTime;
extern int timeReserve;
// Sudden death: the moves the remaining clock is spread over.
constexpr int SUDDEN_DEATH_MOVES = 40;
extern int movesToPlan;
extern int ponderCredit;
extern bool lowTimeMode;
// The flags of the end-of-iteration time rules. The normal and the decided-position
// search each keep their own; iterationFlags points at those of the search running.
struct IterationFlags {
  bool stable;           // set at search start, cleared when the score falls or the best move changes
  bool bestMoveChanged;  // this iteration: a root move other than the first became best
  bool failLowSeen;      // this iteration failed low
};
extern IterationFlags normalIterationFlags;
extern IterationFlags decidedIterationFlags;
extern IterationFlags* iterationFlags;
extern int averageLag;
extern int lagSum, lagCount;
// Set when the clock itself, not the control, limits the search: the hard limit in
// milliseconds since the start (0: none), and whether only a one-ply search fits.
extern int clockLimitMs;
extern bool instantMove;

// Polling frequency by nodes and by tablebase hits; both persist between searches.
extern std::uint32_t pollMask;
extern int tbPollInterval;
// Cleared by the benchmark: input typed meanwhile waits until it has finished.
extern bool pollReadsInput;
// Takes one waiting input line, if there is one, and hands it to the command
// handlers, which may set stopState. Installed by the shell; nullptr reads nothing.
extern void (*readWaitingInput)();

// Counters of the current search.
extern std::uint64_t totalNodes;
extern std::uint32_t tbHits;  // completed iterations; the running ones count in Position::tbHits
extern std::atomic<int> selDepthHalfPlies;  // raised by every search thread
extern int iterationDepth;

// The moves after "searchmoves" of a UCI "go infinite", lower-cased (empty: all
// moves); the root searches only these.
constexpr int SEARCH_MOVES_TEXT_SIZE = 2048;
extern char searchMovesText[SEARCH_MOVES_TEXT_SIZE];

// Results for the move decision.
extern Move bestMove;
extern Move ponderMove;
extern int rootScore;
extern int handoverDepth;

// Restores the defaults of a new game (called by newGame).
void resetSearchForNewGame();
