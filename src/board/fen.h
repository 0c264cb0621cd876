// FEN text of a position; parseFen (position.h) reads one.
#pragma once

#include "board/position.h"

namespace velt {

// Room for the longest FEN text positionToFen writes, with its terminating zero.
constexpr int FEN_TEXT_SIZE = 100;

// The move counters a FEN text ends with: the game's own, or always "0 1" (the form
// an analysis file names its position by, whatever moves led there).
enum class FenCounters { Game, Zero };

// Writes "<placement> <w|b> <castling or -> <en passant or -> <rule50> <move number>".
// The move number counts from 1 at the set-up position (parseFen does not read the
// counters), going up after each black move.
void positionToFen(const Position& pos, char* buffer, FenCounters counters = FenCounters::Game);

}  // namespace velt
