// Time management: the allotment of a search, the end-of-iteration stop rules and
// the tuning of the polling interval.
#pragma once

#include <cstdint>

namespace velt {

struct EngineCore;

// Computes targetTime and the hard limit (written to timePerMove) for the side to
// move at the root; gamePly counts the moves left to the next control outside UCI.
// On a clock too low for the allotment's minimums it also sets clockLimitMs and
// instantMove; a fixed time per move sets clockLimitMs to that time less the
// transport margin.
void allocateTime(EngineCore& engine, int rootSide, int gamePly);

// The moves a decided game without pawns plans its clock over: only a capture resets
// the fifty-move count, so the game ends (or changes) within (100 - rule50) / 2 moves,
// and the mate has to come well before that: the plan is half of them, fewer than
// SUDDEN_DEATH_MOVES. Never fewer than DECIDED_MOVES_FLOOR, so that one move cannot
// take most of the clock.
constexpr int DECIDED_MOVES_FLOOR = 10;
int decidedMovesToPlan(int rule50, bool pawnsOnBoard);

// What the transport to and from the front end is assumed to cost at least.
constexpr int TRANSPORT_MARGIN_MS = 10;
// A clock with less than this beyond the margin pays only for a one-ply search.
constexpr int INSTANT_MOVE_MS = 30;
// With an increment, a move spends this much of the clock beyond the margin only down
// to half the increment: a busy machine can hold a process back by a tenth of a second,
// which a clock kept at a few tens of milliseconds would not survive.
constexpr int STALL_CUSHION_MS = 150;
// A hard limit below this many centiseconds is polled every SHORT_LIMIT_POLL_MASK + 1
// nodes, about half a millisecond.
constexpr int SHORT_LIMIT_CS = 20;
constexpr std::uint32_t SHORT_LIMIT_POLL_MASK = 1023;
// A ponder search polls as often: the ponder hit or the opponent's other move is seen
// only at a poll, and until then the engine's own clock runs unnoticed.
void capPollWhilePondering(EngineCore& engine);
// Adds the last move's timeLag to the running average (16-sample window).
void updateAverageLag(EngineCore& engine);
// Sets lowTimeMode for a sudden-death search of the given side.
void updateLowTimeMode(EngineCore& engine, int rootSide);

// What the root driver knows at the end of an iteration.
struct IterationReport {
  int depth;          // half-plies
  int rootSide;
  int score;
  int previousScore;  // of the previous iteration
  bool singleMove;    // the root has one legal move
  int pvLength;       // moves in the principal variation
  bool recapture;     // the best move recaptures on recaptureSquare
  bool rootTablebaseDraw;
  std::uint32_t nowMs;
  // A decided game without pawns whose score has not risen since the last move: the
  // stable-move stops do not apply, since a best move that stays best while nothing
  // improves is no sign of an easy move but of a plan still beyond the horizon.
  bool noProgress = false;
};
// The end-of-iteration rules of a clocked search; true when the search should stop.
bool iterationSaysStop(EngineCore& engine, const IterationReport& report);

// Sets pollMask and tbPollInterval from the speed measured so far.
void tunePollInterval(EngineCore& engine, std::uint64_t nodes, std::uint32_t hits, std::uint32_t elapsedMs,
                      int threads);

// Centiseconds spent since the search started, plus the ponder credit.
int elapsedCs(EngineCore& engine, std::uint32_t nowMs);

}  // namespace velt
