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

class UciOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appReady()) {
      ASSERT_TRUE(initApp());
    }
    engineFlags = FLAG_UCI;
    searching = false;
  }
  void TearDown() override { searching = false; }
};

TEST_F(UciOptions, TableOptionsWaitForTheSearchToStop) {
  handleUciCommand("setoption name Hash value 8");
  ASSERT_EQ(ttMask, hashSizeToMask(8));
  searching = true;
  handleUciCommand("setoption name Hash value 16");
  handleUciCommand("setoption name MaxThreads value 3");
  handleUciCommand("setoption name Rook_vs_Minor_Score value 12");
  handleUciCommand("setoption name MultiPV value 3");
  handleUciCommand("setoption name Ponder value true");
  EXPECT_EQ(ttMask, hashSizeToMask(8));
  EXPECT_EQ(options.maxThreads, 1);
  EXPECT_EQ(options.rookVsMinorScore, 0);
  EXPECT_EQ(options.multiPV, 3);  // no table behind it: at once
  EXPECT_TRUE(engineFlags & FLAG_PONDER);
  searching = false;
  applyDeferredOptions();
  EXPECT_EQ(ttMask, hashSizeToMask(16));
  EXPECT_EQ(options.ttIndexMask, hashSizeToMask(16));
  EXPECT_EQ(options.maxThreads, 3);
  EXPECT_EQ(options.rookVsMinorScore, 12);
  applyDeferredOptions();  // applied once only
  EXPECT_EQ(options.maxThreads, 3);
  handleUciCommand("setoption name Rook_vs_Minor_Score value 0");
  handleUciCommand("setoption name MaxThreads value 1");
  handleUciCommand("setoption name MultiPV value 1");
}

TEST_F(UciOptions, ClampsAndNames) {
  handleUciCommand("setoption name MultiPV value 99");
  EXPECT_EQ(options.multiPV, 5);
  handleUciCommand("setoption name multipv value -4");
  EXPECT_EQ(options.multiPV, 1);
  handleUciCommand("setoption name Max Threads value 40");  // words join: maxthreads
  EXPECT_EQ(options.maxThreads, 16);
  handleUciCommand("setoption name MaxThreads value 1");
  handleUciCommand("setoption name UCI_Opponent value GM 2800 computer Some Engine");
  EXPECT_TRUE(engineFlags & FLAG_OPPONENT_COMPUTER);
  handleUciCommand("setoption name UCI_Opponent value none none human Someone");
  EXPECT_FALSE(engineFlags & FLAG_OPPONENT_COMPUTER);
  handleUciCommand("setoption name NalimovCache value 7");
  EXPECT_EQ(options.egtbCacheMB, 32);
  // Values far outside the advertised range, as a fuzzer sends them.
  handleUciCommand("setoption name PruningLevel value 99999999999");
  EXPECT_EQ(options.pruningLevel, 100);
  handleUciCommand("setoption name DrawContemptScore value -99999999999");
  EXPECT_EQ(options.drawContemptScore, -100);
  handleUciCommand("setoption name SaveAnalysisMinDepth value 33");
  EXPECT_EQ(options.analysisMinDepth, 32);
  setDefaultOptions();
  engineFlags = FLAG_UCI;
}

}  // namespace
