// The UCI protocol handler: identification and options at once, game flow through
// pendingCommand for the game loop.
#pragma once

#include "board/types.h"
#include "shell/dispatch.h"
#include "shell/game_state.h"

namespace velt {

struct Engine;

// Handles one line whose first word is the command. The stop a line asks of a
// running search is uciSearchEffect's, which the dispatcher sets.
void handleUciCommand(Engine& engine, const char* line);
SearchEffect uciSearchEffect(const char* line);
bool answerUciAtOnce(Engine& engine, const char* line);
// Options that free or rebuild tables and arrived during a search are kept until the
// search has stopped; the game loop applies them between searches.
void applyQueuedOptions(Engine& engine);
// Leaves analysis mode, restoring the time per move and the depth limit.
void endAnalysis(Engine& engine);

}  // namespace velt
