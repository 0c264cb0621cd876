// Independent check of generated tablebases: every entry is set up as a real position
// and its value compared with the best of its successors' values, the moves coming
// from the engine's own move generator.
#pragma once

#include <cstdint>
#include <string>

#include "egtb/tb_generate.h"

namespace velt {

struct VerifyResult {
  std::uint64_t checked = 0;
  std::uint64_t mismatches = 0;
  std::string firstMismatch;
};

VerifyResult verifyTablebase(int classNumber, const TablebaseSet& set);
// Generates a class and, first, every class it leads into.
void generateWithSuccessors(int classNumber, TablebaseSet& set);

}  // namespace velt
