// Options that free or rebuild tables wait for the end of a running search; the
// others take effect at once.
#include <gtest/gtest.h>

#include "search/search_state.h"
#include "search/tt.h"
#include "shell/app.h"
#include "shell/clock_settings.h"
#include "shell/options.h"
#include "shell/uci.h"

namespace {

TEST(UciOptions, TableOptionsWaitForTheSearchToStop) {
  ASSERT_TRUE(appReady() || initApp());
  engineFlags = FLAG_UCI;
  handleUciCommand("setoption name Hash value 8");
  ASSERT_EQ(ttMask, hashSizeToMask(8));
  searching = true;
  handleUciCommand("setoption name Hash value 16");
  handleUciCommand("setoption name MaxThreads value 3");
  handleUciCommand("setoption name Rook_vs_Minor_Score value 12");
  handleUciCommand("setoption name MultiPV value 3");
  EXPECT_EQ(ttMask, hashSizeToMask(8));
  EXPECT_EQ(options.maxThreads, 1);
  EXPECT_EQ(options.rookVsMinorScore, 0);
  EXPECT_EQ(options.multiPV, 3);  // no table behind it: at once
  searching = false;
  applyDeferredOptions();
  EXPECT_EQ(ttMask, hashSizeToMask(16));
  EXPECT_EQ(options.maxThreads, 3);
  EXPECT_EQ(options.rookVsMinorScore, 12);
  for (const char* line : {"setoption name Rook_vs_Minor_Score value 0", "setoption name MaxThreads value 1",
                           "setoption name MultiPV value 1"}) {
    handleUciCommand(line);
  }
}

}  // namespace
