// Positions for the Syzygy checks: random legal placements of a material, and the
// verdict a position must have by the verdicts of its moves; and a damaged table.
#pragma once

#include <random>
#include <string>

#include "egtb/syzygy.h"
#include "search/worker.h"

namespace velt {

// The Syzygy tables kept with the tests.
inline const std::string TEST_SYZYGY_TABLES = VELT_SOURCE_DIR "/tests/egtb/data/syzygy";

// A random legal placement of `men` (white's in upper case, pawns off the back ranks)
// with `side` to move, as FEN.
std::string randomPlacementFen(const std::string& men, int side, std::mt19937& random);
// The verdict the position has by the Syzygy verdicts of its legal moves (a mate a
// loss, a stalemate a draw), with the fifty-move rule left out; false when a move
// leads out of the loaded tables.
bool verdictByMoves(Worker& pos, SyzygyWdl& verdict);
// Generates the engine's own table of `ownClass` (e.g. "kqkr") and checks the Syzygy
// verdicts of `count` random placements of `men` (e.g. "KQkr") against it, alternating
// the side to move: a win in one is a win in the other, and so are draws and losses.
void expectVerdictsAgreeWithOwnTable(const char* ownClass, const std::string& men, int count,
                                     std::mt19937& random);
// The bytes of the table file at `path` with its header region overwritten, its size
// and magic kept: only reading the header can tell that it is damaged.
std::string damagedTableBytes(const std::string& path);

}  // namespace velt
