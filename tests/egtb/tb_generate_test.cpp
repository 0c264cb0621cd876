#include "egtb/tb_generate.h"

#include <gtest/gtest.h>

#include "support/tb_verify.h"

namespace velt {

namespace {

// The longest mates the literature gives, with the strong side to move.
TEST(TablebaseGenerator, ThreeMenClassesAgreeWithTheirSuccessors) {
  TablebaseSet set;
  const struct {
    const char* name;
    int longestMate;
  } classes[] = {{"kqk", 10}, {"krk", 16}, {"kpk", 28}, {"knk", 0}, {"kbk", 0}};
  for (const auto& c : classes) {
    const int number = tablebaseClassByName(c.name);
    generateWithSuccessors(number, set);
    const VerifyResult result = verifyTablebase(number, set);
    EXPECT_EQ(result.mismatches, 0u) << c.name << ": " << result.firstMismatch;
    EXPECT_GT(result.checked, 40000u) << c.name;
    EXPECT_EQ(summarizeTablebase(number, set).longestWin[0], c.longestMate) << c.name;
  }
}

}  // namespace

}  // namespace velt
