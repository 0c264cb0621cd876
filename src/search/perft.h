// Move-path enumeration: counts the leaves of the tree of legal moves with the
// search's own generators and makeMove, the generator's proof.
#pragma once

#include <cstdint>
#include <vector>

#include "eval/evaluate.h"

namespace velt {

constexpr int PERFT_MAX_DEPTH = 12;  // keeps every ply's list inside the move stack

struct PerftLine {
  Move move;
  std::uint64_t nodes;
};

// Leaf count of the tree of depth `depth` below the position, which must have been
// set up or reached by makeMove; with `lines`, the count below each legal root move
// in generation order. Every promotion piece is counted.
std::uint64_t perft(EvalPosition& pos, int depth, std::vector<PerftLine>* lines = nullptr);

}  // namespace velt
