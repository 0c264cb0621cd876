// The search state of the engine record in three parts: the time control the protocols
// set, the allotment of the current search, and the search's flags, counters and root
// results that the move decision reads. Only the main thread writes most.
#pragma once

#include <atomic>
#include <cstdint>

#include "eval/evaluate.h"
#include "search/report.h"

namespace velt {

// stopState values: what the poll, a command or the game loop asks of the search.
constexpr int STOP_NONE = 0;
constexpr int STOP_MOVE_NOW = 1;  // time is up, or "move now"
constexpr int STOP_COMMAND = 2;   // a command interrupted the search
constexpr int STOP_PONDER_HIT = 3;

// Time control, centiseconds; set by the protocols.
struct TimeControl {
  int clockCs[2] = {500, 500};  // remaining time of white and black
  int movesPerSession = 0;      // 0: all moves in one session
  int baseTime = 500;           // time added per session
  int increment = 0;
  int timePerMove = 500;    // fixed time per move (0 none); the allotment writes the hard limit here,
                            // so a search has a hard limit exactly when it is not 0
  int timeLag = 1;          // time lost outside the engine on the last move, 1..200
  int maxSearchDepth = 60;  // plies
  // The clock of the side to move in milliseconds as UCI "go" gave it, 0 when only
  // the centisecond clock is known.
  int moverClockMs = 0;
};

// Limits of a search beyond the clock and the depth, 0 where there is none; each
// combines with the others, and the first one reached ends the search.
struct SearchLimits {
  std::uint64_t nodes = 0;  // the nodes counted by all threads, checked at every poll
  int mateMoves = 0;        // a mate in this many moves or fewer proven at the root
};
// With a node limit the search polls this often (a mask of the node count), whatever
// its speed, so that it stops within this many nodes of the limit and a search on one
// thread counts the same nodes on every run.
constexpr std::uint32_t NODE_LIMIT_POLL_MASK = 1023;

// Sudden death: the moves the remaining clock is spread over.
constexpr int SUDDEN_DEATH_MOVES = 40;
// The flags of the end-of-iteration time rules. The normal and the decided-position
// search each keep their own; iterationFlags points at those of the search running.
struct IterationFlags {
  bool stable;           // set at search start, cleared when the score falls or the best move changes
  bool bestMoveChanged;  // this iteration: a root move other than the first became best
  bool failLowSeen;      // this iteration failed low
};

// The allotment of the current search (centiseconds unless marked ms).
struct TimeAllotment {
  std::uint32_t searchStartTime = 0;  // ms, currentTimeMs at the start
  int targetTime = 0;
  int timeReserve = 0;
  int movesToPlan = SUDDEN_DEATH_MOVES;
  int ponderCredit = 0;
  bool lowTimeMode = false;
  IterationFlags normalIterationFlags = {false, false, false};
  IterationFlags decidedIterationFlags = {false, false, false};
  IterationFlags* iterationFlags = &normalIterationFlags;
  int averageLag = 0;
  int lagSum = 0, lagCount = 0;
  // Set when the clock itself or a fixed time per move limits the search: the hard
  // limit in milliseconds since the start (0: none), and whether only a one-ply search
  // fits.
  int clockLimitMs = 0;
  bool instantMove = false;
  std::uint32_t lastPollMs = 0;  // ms, currentTimeMs at the search start or its last poll
};

// The moves after "searchmoves" of a UCI "go infinite", lower-cased (empty: all
// moves); the root searches only these.
constexpr int SEARCH_MOVES_TEXT_SIZE = 2048;

// The root move loop's progress for the xboard status line: the number of root moves,
// the index of the one being searched, and that move.
struct RootProgress {
  int moveCount;
  int moveIndex;
  Move move;
};

// The search's progress as of its last poll once it takes commands: what the shell
// answers from while the search runs, without touching the search's own fields.
struct PolledProgress {
  std::atomic<std::uint32_t> elapsedMs{0};
  std::atomic<std::uint64_t> nodes{0};
  std::atomic<int> iterationDepth{0};
  std::atomic<int> rootMoveCount{0};
  std::atomic<int> rootMoveIndex{0};
  std::atomic<Move> rootMove{MOVE_NONE};
  std::atomic<Move> pvMove{MOVE_NONE};  // the first move of the principal variation so far
};

// The search's own flags, polling, counters and results.
struct SearchState {
  // Set by the poll and by the shell's command reader while the search runs.
  std::atomic<int> stopState{STOP_NONE};
  std::atomic<bool> pondering{false};  // cleared by the poll at a ponder hit
  // When the ponder hit came in (the command reader sets it before stopState): the
  // clock runs from then, not from the poll that sees it.
  std::atomic<std::uint32_t> ponderHitMs{0};
  // The engine's own clock as the front end last reported it during a ponder search
  // (xboard sends it just before the move), -1 when none: the ponder hit plans with it,
  // since the line itself is handled only after the search.
  std::atomic<int> ponderClockCs{-1};
  bool analysisMode = false;  // infinite analysis; also enables bishop under-promotions
  // The abort flag: set at the end of a search and when a search must end at once.
  bool searchAborted = true;

  // Polling frequency by nodes and by tablebase hits; both persist between searches.
  std::uint32_t pollMask = 65535;
  int tbPollInterval = 10;
  // Cleared by the benchmark: input typed meanwhile waits until it has finished.
  bool pollReadsInput = true;
  // Opened by the poll once the shallow iterations are done (unless pollReadsInput is
  // cleared): only then may a command set stopState.
  std::atomic<bool> takesCommands{false};
  PolledProgress polled;

  // Counters of the current search.
  std::uint64_t totalNodes = 0;
  std::uint32_t tbHits = 0;               // completed iterations; the running ones count in Worker::tbHits
  std::atomic<int> selDepthHalfPlies{0};  // raised by every search thread
  int iterationDepth = 0;

  char searchMovesText[SEARCH_MOVES_TEXT_SIZE] = "";

  // The root's view for the time rules and the output.
  RootProgress rootProgress = {0, 0, MOVE_NONE};
  int recaptureSquare = -1;      // to-square of the opponent's last move when it won material, else -1
  bool onFirstRootMove = false;  // still on the first root move (for the ponder-hit rule)
  int lastPrintedScore = 0;      // window-edge scores shown are smoothed against it
  SearchReporter reporter;       // installed by the shell

  // Results for the move decision, and the key of the position they are for.
  Move bestMove = MOVE_NONE;
  Move ponderMove = MOVE_NONE;
  std::uint64_t resultKey = 0;
  int rootScore = 0;
  int handoverDepth = 0;
};

}  // namespace velt
