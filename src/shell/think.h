// The move decision: runs when it is the engine's turn; searches, plays the move on
// the game position, reports it in the protocol's form, keeps the clock, decides
// about resigning and, in xboard mode, ponders on the expected reply.
#pragma once

void think();

// The resign rule of xboard play with a moves-per-session control, counting the low
// scores in resignCount: true when the engine should resign after a move scored
// `score`, the opponent having opponentClock centiseconds, gamePly plies played.
bool applyResignRule(int score, int opponentClock, int gamePly);

// True from the start of a search until its result has been reported, including a
// finished ponder or analysis search that waits for the front end.
bool searchUnderway();
