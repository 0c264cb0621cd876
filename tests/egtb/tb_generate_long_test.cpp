#include <gtest/gtest.h>

#include "egtb/tb_generate.h"
#include "support/tb_verify.h"

namespace velt {

namespace {

TEST(TablebaseGeneratorLong, FourMenClassesAgreeWithTheirSuccessors) {
  TablebaseSet set;
  const struct {
    const char* name;
    int longestMate;
  } classes[] = {{"kqkr", 35}, {"kbnk", 33}, {"kpkp", -1}, {"krkn", 40}};
  for (const auto& c : classes) {
    const int number = tablebaseClassByName(c.name);
    generateWithSuccessors(number, set);
    const VerifyResult result = verifyTablebase(number, set);
    EXPECT_EQ(result.mismatches, 0u) << c.name << ": " << result.firstMismatch;
    if (c.longestMate >= 0) {
      EXPECT_EQ(summarizeTablebase(number, set).longestWin[0], c.longestMate) << c.name;
    }
  }
}

}  // namespace

}  // namespace velt
