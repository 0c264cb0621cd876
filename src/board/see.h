// Exchange test: whether a capture, or a move onto a square the opponent may take on,
// loses material. Runs on the position before the move, using the attack maps of the
// current ply.
#pragma once

#include "board/position.h"

namespace velt {

// Whether the opponent's man on defenderSquare may not recapture on target because it is
// pinned against its king by a man of the side to move other than the one on capturerFrom.
bool isPinnedDefender(const Position& pos, int defenderSquare, int capturerFrom, int target);

// Whether the capture (or promotion) of the side to move does not lose material.
bool captureIsSafe(const Position& pos, Move move);

// The same test for a checking move; an empty destination counts as nothing won.
inline bool checkIsSafe(const Position& pos, Move move) { return captureIsSafe(pos, move); }

}  // namespace velt
