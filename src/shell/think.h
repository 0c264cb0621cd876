// The move decision: runs when it is the engine's turn; searches, plays the move on
// the game position, reports it in the protocol's form, keeps the clock, decides
// about resigning and, in xboard mode, ponders on the expected reply.
#pragma once

namespace velt {

struct Engine;

void think(Engine& engine);

// The resign rule of xboard play with a moves-per-session control, counting the low
// scores in resignCount: true when the engine should resign after a move scored
// `score`, the opponent having opponentClock centiseconds, gamePly plies played.
bool applyResignRule(Engine& engine, int score, int opponentClock, int gamePly);

// True from the start of a search until its result has been reported, including a
// finished ponder or analysis search that waits for the front end.
bool searchUnderway(const Engine& engine);

// Scores from this far on (in absolute value, below the mate scores) mean a decided game.
constexpr int DECIDED_SCORE = 750;
// With a clock running, the switch needs more than this left (centiseconds).
constexpr int DECIDED_CLOCK_MIN = 500;
// The rule that switches a game to the decided-position search before a search: the
// last two root scores both decisive (the last one no mate score), and no clock or
// more than DECIDED_CLOCK_MIN on the engine's clock.
bool decidedSwitchDue(int lastScore, int previousScore, int timePerMove, int clock);

}  // namespace velt
