// The commands the game loop carries out between searches: new games, positions
// (UCI move lists extend the current game when they can), take-backs, force, go,
// analysis, and the moves the xboard user types.
#pragma once

namespace velt {

struct Engine;

// Resets the game to the standard start position: the transposition table (when
// clearTables), the history, the clock's time base and the search's game state.
void newGame(Engine& engine, bool clearTables);
// A new game from the start position, or from a FEN when fen is not empty; resets the
// game state of the shell and the search. False, after saying so and changing
// nothing, when the FEN is not a usable position.
bool startGame(Engine& engine, const char* fen, bool clearTables);
// Carries out one pending command (codes 1, 2, 6, 7, 9, 10; others do nothing).
void carryOutCommand(Engine& engine, int command);
// Plays the move the xboard user typed (userMoveFrom/To/Promotion) when it is legal.
void applyUserMove(Engine& engine);

}  // namespace velt
