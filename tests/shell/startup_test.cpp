#include <gtest/gtest.h>

#include "shell/game_state.h"
#include "shell/startup.h"

namespace {

TEST(EngineName, DigitAtIndexFourOfTheBaseName) {
  setEngineName("velt7");
  EXPECT_STREQ(engineName, "Velt 4.6.7");
  setEngineName("/opt/velt8/bin/Velt2.exe");
  EXPECT_STREQ(engineName, "Velt 4.6.2");
  setEngineName("velt0");
  EXPECT_STREQ(engineName, "Velt 4.6");
  setEngineName("./veltx");
  EXPECT_STREQ(engineName, "Velt 4.6");
  setEngineName("/usr/games/velt");
  EXPECT_STREQ(engineName, "Velt 4.6");
  setEngineName("/home/velt9/vel");
  EXPECT_STREQ(engineName, "Velt 4.6");
  setEngineName("");
  EXPECT_STREQ(engineName, "Velt 4.6");
}

}  // namespace
