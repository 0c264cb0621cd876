#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shell/engine.h"
#include "shell/options.h"
#include "support/engine_process.h"

namespace velt {

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  // Reads a configuration file with the given content into the engine's options.
  void readConfigText(const std::string& content) {
    TempDirectory directory;
    readConfigFile(engine, directory.writeFile("velt.cfg", content).c_str());
  }

  std::unique_ptr<Engine> record = std::make_unique<Engine>();
  Engine& engine = *record;
};

TEST_F(ConfigTest, MissingFileGivesDefaults) {
  engine.engineFlags = 0xFFFF;
  engine.options.maxThreads = 7;
  readConfigFile(engine, "/nonexistent/velt.cfg");
  EXPECT_EQ(engine.engineFlags, FLAG_XBOARD | FLAG_POST);
  EXPECT_EQ(engine.options.ttIndexMask, 0x7FFFFCu);
  EXPECT_STREQ(engine.options.bookPath, "VeltBook.bin");
  EXPECT_EQ(engine.options.maxThreads, 1);
}

TEST_F(ConfigTest, FlagsAreSetOnlyByExactlyOne) {
  readConfigText("ponder = 1\nLearn = 0\nRESIGN = yes\nPreserve_Hash\t1\n");
  EXPECT_TRUE(engine.engineFlags & FLAG_PONDER);
  EXPECT_FALSE(engine.engineFlags & FLAG_BOOK_LEARNING);
  EXPECT_FALSE(engine.engineFlags & FLAG_CAN_RESIGN);
  EXPECT_TRUE(engine.engineFlags & FLAG_PRESERVE_HASH);
  EXPECT_TRUE(engine.engineFlags & FLAG_XBOARD);
  EXPECT_TRUE(engine.engineFlags & FLAG_POST);
}

// Numbers: "KEY = value" and "KEY value" work, "KEY=value" is one word and so no key;
// the value is the text before the first "=" (two blanks before it make it empty);
// clamped into the range UCI advertises; later lines win; comments are skipped.
TEST_F(ConfigTest, NumericValues) {
  struct Case {
    const char* text;
    int EngineOptions::*field;
    int expected;
  };
  const Case cases[] = {
      {"MAX_THREADS = 4\n", &EngineOptions::maxThreads, 4},
      {"EGTB_CACHE_SIZE=64\n", &EngineOptions::egtbCacheMB, 32},
      {"PRUNING_LEVEL  = 5\n", &EngineOptions::pruningLevel, 0},
      {"DRAW_CONTEMPT_SCORE = -25\n", &EngineOptions::drawContemptScore, -25},
      {"MIN_EGTB_DEPTH\t\t7\n", &EngineOptions::minEgtbDepth, 7},
      {"EGTB_CACHE_SIZE = 8\n", &EngineOptions::egtbCacheMB, 32},
      {"EGTB_CACHE_SIZE = 500\n", &EngineOptions::egtbCacheMB, 128},
      {"MAX_THREADS = 64\n", &EngineOptions::maxThreads, 16},
      {"MAX_THREADS = 0\n", &EngineOptions::maxThreads, 1},
      {"MATERIAL_IMPORTANCE = 999\n", &EngineOptions::materialImportance, 100},
      {"PRUNING_LEVEL = -99999999999\n", &EngineOptions::pruningLevel, -1000},
      {"ROOK_VS_MINOR_SCORE = 31\n", &EngineOptions::rookVsMinorScore, 30},
      {"SAVE_ANALYSIS_MIN_DEPTH = 12abc\n", &EngineOptions::analysisMinDepth, 12},
      {"MINOR_VS_PAWNS_SCORE = 1\n", &EngineOptions::minorVsPawnsScore, 1},
      {"ROOK_VS_PAWNS_SCORE = 2\n", &EngineOptions::rookVsPawnsScore, 2},
      {"ROOK_VS_MINOR_SCORE = 3\n", &EngineOptions::rookVsMinorScore, 3},
      {"TWO_MINORS_VS_ROOK_SCORE = 4\n", &EngineOptions::twoMinorsVsRookScore, 4},
      {"THREE_MINORS_VS_QUEEN_SCORE = 5\n", &EngineOptions::threeMinorsVsQueenScore, 5},
      {"TWO_ROOKS_VS_QUEEN_SCORE = 6\n", &EngineOptions::twoRooksVsQueenScore, 6},
      {"# MAX_THREADS = 8\n\n   \nMAX_THREADS\nunknown = 3\nthreads = 4\n  MAX_THREADS = 2\n",
       &EngineOptions::maxThreads, 2},
  };
  for (const Case& c : cases) {
    setDefaultOptions(engine);
    readConfigText(c.text);
    EXPECT_EQ(engine.options.*c.field, c.expected) << c.text;
  }
  readConfigText("TT_SIZE 128\n");
  EXPECT_EQ(engine.options.ttIndexMask + 4, 128u << 17);
}

TEST_F(ConfigTest, PathsKeepInnerAndTrailingBlanks) {
  readConfigText(
      "BOOK_PATH = C:\\My Books\\main.bin\r\nSAVE_ANALYSIS_FILE = d:\\analysis file.dat  \nEGTB_PATH = /tb\n");
  EXPECT_STREQ(engine.options.bookPath, "C:\\My Books\\main.bin");
  EXPECT_STREQ(engine.options.analysisFilePath, "d:\\analysis file.dat  ");
  EXPECT_STREQ(engine.options.egtbPath, "/tb");
}

TEST_F(ConfigTest, LongLinesAreReadInPieces) {
  // A line over 255 characters: the value ends with the first piece, and the tail
  // is read as a line of its own.
  const std::string longPath(300, 'p');
  readConfigText("BOOK_PATH = " + longPath + "\n" + std::string(255, '#') + "MAX_THREADS = 5\n");
  EXPECT_EQ(std::string(engine.options.bookPath), std::string(255 - 12, 'p'));
  EXPECT_EQ(engine.options.maxThreads, 5);
}

}  // namespace

}  // namespace velt
