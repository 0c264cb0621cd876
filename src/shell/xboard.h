// The xboard protocol handler: settings at once, game flow through pendingCommand,
// user moves left in userMoveFrom/To for the game loop.
#pragma once

#include "shell/dispatch.h"

namespace velt {

struct Engine;

// Handles one line whose first word is the command. The stop a line asks of a
// running search is xboardSearchEffect's, which the dispatcher sets.
void handleXboardCommand(Engine& engine, const char* line);
SearchEffect xboardSearchEffect(const Engine& engine, const char* line);
bool answerXboardAtOnce(Engine& engine, const char* line);
// Notes the engine's clock that "time" reports during a ponder search, for the ponder
// hit that may follow; the line itself is still handled after the search.
void notePonderClock(Engine& engine, const char* line);
// Sends the pongs held back while the engine thought about its own move, once it has
// moved or its search was ended.
void sendPongsAfterMove(Engine& engine);

}  // namespace velt
