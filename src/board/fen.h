// FEN text of a position; parseFen (position.h) reads one.
#pragma once

#include "board/position.h"

// Room for the longest FEN text positionToFen writes, with its terminating zero.
constexpr int FEN_TEXT_SIZE = 100;

// Writes "<placement> <w|b> <castling or -> <en passant or -> <rule50> <move number>".
// The move number counts from 1 at the set-up position (parseFen does not read the
// counters), going up after each black move.
void positionToFen(const Position& pos, char* buffer);
