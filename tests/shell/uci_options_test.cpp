// Options that free or rebuild tables wait for the end of a running search; the
// others take effect at once.
#include <gtest/gtest.h>

#include <memory>

#include "shell/app.h"
#include "shell/engine.h"
#include "shell/clock_settings.h"
#include "shell/options.h"
#include "shell/uci.h"

namespace velt {

namespace {

TEST(UciOptions, TableOptionsWaitForTheSearchToStop) {
  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  ASSERT_TRUE(initApp(engine));
  engine.engineFlags = FLAG_UCI;
  handleUciCommand(engine, "setoption name Hash value 8");
  ASSERT_EQ(engine.tt.mask, hashSizeToMask(8));
  engine.thinking = true;
  handleUciCommand(engine, "setoption name Hash value 16");
  handleUciCommand(engine, "setoption name MaxThreads value 3");
  handleUciCommand(engine, "setoption name Rook_vs_Minor_Score value 12");
  handleUciCommand(engine, "setoption name MultiPV value 3");
  EXPECT_EQ(engine.tt.mask, hashSizeToMask(8));
  EXPECT_EQ(engine.options.maxThreads, 1);
  EXPECT_EQ(engine.options.rookVsMinorScore, 0);
  EXPECT_EQ(engine.options.multiPV, 3);  // no table behind it: at once
  engine.thinking = false;
  applyQueuedOptions(engine);
  EXPECT_EQ(engine.tt.mask, hashSizeToMask(16));
  EXPECT_EQ(engine.options.maxThreads, 3);
  EXPECT_EQ(engine.options.rookVsMinorScore, 12);
}

// Spin values land in their advertised range whatever a front end sends (the shared
// clamp of every spin: ConfigTest.NumericValues); option names match without regard to
// case and blanks; the table cache keeps its own range.
TEST(UciOptions, SpinValuesAreClamped) {
  const auto record = std::make_unique<Engine>();
  Engine& engine = *record;
  ASSERT_TRUE(initApp(engine));
  engine.engineFlags = FLAG_UCI;
  struct Case {
    const char* line;
    int EngineOptions::*field;
    int expected;
  };
  const Case cases[] = {
      {"setoption name MultiPV value 99", &EngineOptions::multiPV, 5},
      {"setoption name multipv value -4", &EngineOptions::multiPV, 1},
      {"setoption name Max Threads value 40", &EngineOptions::maxThreads, 16},
      {"setoption name NalimovCache value 7", &EngineOptions::egtbCacheMB, 32},
  };
  for (const Case& c : cases) {
    handleUciCommand(engine, c.line);
    EXPECT_EQ(engine.options.*c.field, c.expected) << c.line;
  }
}

}  // namespace

}  // namespace velt
