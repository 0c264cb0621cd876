// The time-control commands of both protocols: they set the clocks, the session and
// the per-move limits that the time allotment of the search works from, and keep the
// estimate of the time lost outside the engine (timeLag).
#pragma once

namespace velt {

struct Engine;

// Bounds on the numbers of the time commands, far beyond any real control, so that
// the time allotment's arithmetic cannot overflow whatever a front end sends.
constexpr int MAX_CLOCK_CS = 100'000'000;     // about 11 days
constexpr int MAX_INCREMENT_CS = 10'000'000;  // about 28 hours
constexpr int MAX_MOVES_TO_GO = 1000;
constexpr int MAX_DEPTH_LIMIT = 60;  // plies

// A fixed time per move in milliseconds (UCI "go movetime").
void setMoveTime(Engine& engine, int milliseconds);
// A depth limit without a clock (UCI "go depth").
void setDepthLimit(Engine& engine, int depth);
// A fixed time per move in seconds (xboard "st").
void setSecondsPerMove(Engine& engine, int seconds);
// A conventional control (xboard "level"): moves per session, base time as "min" or
// "min:sec", increment in seconds (decimals allowed, cut to centiseconds). A zero
// base leaves the game untimed until "time" reports a clock (takeBaseFromClock).
void setLevel(Engine& engine, int moves, const char* baseMinutes, const char* incrementSeconds);
// xboard "time" after a "level" with a zero base: a positive clock becomes the base
// (and both clocks), so that a control shorter than "level" can write is kept.
// Nothing happens otherwise.
void takeBaseFromClock(Engine& engine, int reportedClock);
// Base time, increment and session after the clock of the side to move was set from a
// UCI "go" (centiseconds); moves 0 means all moves in one session.
void setUciClock(Engine& engine, int side, int incrementCs, int moves);

// UCI: lag = the engine's own count after its last move minus the clock the front
// end reports now.
void estimateUciLag(Engine& engine, int ownClock, int reportedClock);
// xboard "time": the engine's own count minus the reported clock.
void estimateXboardLag(Engine& engine, int ownClock, int reportedClock);

// A number from command text: optional sign and digits; 0 when there are none.
int commandNumber(const char* text);
// A clock reading in centiseconds (xboard "time" and "otim"), within +-MAX_CLOCK_CS.
int clockFromText(const char* text);
// The number cut to 16 bits as the depth commands take it, then limited to 1..60.
int depthFromText(const char* text);
// The control of a fresh start: 5 seconds a move, depth limit 60, no node or mate
// limit, one variation.
void setDefaultTimeControl(Engine& engine);

}  // namespace velt
