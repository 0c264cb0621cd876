#include <gtest/gtest.h>

#include <string>

#include "shell/options.h"
#include "support/engine_process.h"

namespace {

// Reads a configuration file with the given content into the global options.
void readConfigText(const std::string& content) {
  TempDirectory directory;
  readConfigFile(directory.writeFile("velt.cfg", content).c_str());
}

class ConfigTest : public ::testing::Test {
 protected:
  void TearDown() override { setDefaultOptions(); }
};

TEST_F(ConfigTest, MissingFileGivesDefaults) {
  engineFlags = 0xFFFF;
  options.maxThreads = 7;
  readConfigFile("/nonexistent/velt.cfg");
  EXPECT_EQ(engineFlags, FLAG_XBOARD | FLAG_POST);
  EXPECT_EQ(options.ttIndexMask, 0x7FFFFCu);
  EXPECT_STREQ(options.bookPath, "VeltBook.bin");
  EXPECT_STREQ(options.egtbPath, "");
  EXPECT_EQ(options.egtbCacheMB, 32);
  EXPECT_EQ(options.maxThreads, 1);
  EXPECT_EQ(options.multiPV, 1);
  EXPECT_EQ(options.minEgtbDepth, 3);
  EXPECT_STREQ(options.analysisFilePath, "");
}

TEST_F(ConfigTest, FlagsAreSetOnlyByExactlyOne) {
  readConfigText("ponder = 1\nLearn = 0\nRESIGN = yes\nPreserve_Hash\t1\n");
  EXPECT_TRUE(engineFlags & FLAG_PONDER);
  EXPECT_FALSE(engineFlags & FLAG_BOOK_LEARNING);
  EXPECT_FALSE(engineFlags & FLAG_CAN_RESIGN);
  EXPECT_TRUE(engineFlags & FLAG_PRESERVE_HASH);
  EXPECT_TRUE(engineFlags & FLAG_XBOARD);
  EXPECT_TRUE(engineFlags & FLAG_POST);
}

TEST_F(ConfigTest, KeyValueSeparators) {
  // "KEY = value" and "KEY value" work; "KEY=value" is one word and so no key.
  readConfigText("TT_SIZE 128\nMAX_THREADS = 4\nEGTB_CACHE_SIZE=64\n");
  EXPECT_EQ(options.ttIndexMask + 4, 128u << 17);
  EXPECT_EQ(options.maxThreads, 4);
  EXPECT_EQ(options.egtbCacheMB, 32);
}

TEST_F(ConfigTest, BlankBeforeEqualsSignStartsTheValue) {
  // The value is the text before the first "=": here two blanks, so the number is 0.
  readConfigText("PRUNING_LEVEL  = 5\nDRAW_CONTEMPT_SCORE = -25\nMIN_EGTB_DEPTH\t\t7\n");
  EXPECT_EQ(options.pruningLevel, 0);
  EXPECT_EQ(options.drawContemptScore, -25);
  EXPECT_EQ(options.minEgtbDepth, 7);
}

// Every number is clamped into the range UCI advertises for the same option.
TEST_F(ConfigTest, NumbersAreClampedIntoTheAdvertisedRange) {
  readConfigText("EGTB_CACHE_SIZE = 8\nMAX_THREADS = 64\nMATERIAL_IMPORTANCE = 999\n"
                 "PRUNING_LEVEL = -99999999999\nROOK_VS_MINOR_SCORE = 31\n");
  EXPECT_EQ(options.egtbCacheMB, 32);
  EXPECT_EQ(options.maxThreads, 16);
  EXPECT_EQ(options.materialImportance, 100);
  EXPECT_EQ(options.pruningLevel, -1000);
  EXPECT_EQ(options.rookVsMinorScore, 30);
  readConfigText("EGTB_CACHE_SIZE = 500\nMAX_THREADS = 0\nSAVE_ANALYSIS_MIN_DEPTH = 12abc\n");
  EXPECT_EQ(options.egtbCacheMB, 128);
  EXPECT_EQ(options.maxThreads, 1);
  EXPECT_EQ(options.analysisMinDepth, 12);
}

TEST_F(ConfigTest, EveryImbalanceKeyReachesItsOption) {
  readConfigText(
      "MINOR_VS_PAWNS_SCORE = 1\nROOK_VS_PAWNS_SCORE = 2\nROOK_VS_MINOR_SCORE = 3\n"
      "TWO_MINORS_VS_ROOK_SCORE = 4\nTHREE_MINORS_VS_QUEEN_SCORE = 5\nTWO_ROOKS_VS_QUEEN_SCORE = 6\n");
  EXPECT_EQ(options.minorVsPawnsScore, 1);
  EXPECT_EQ(options.rookVsPawnsScore, 2);
  EXPECT_EQ(options.rookVsMinorScore, 3);
  EXPECT_EQ(options.twoMinorsVsRookScore, 4);
  EXPECT_EQ(options.threeMinorsVsQueenScore, 5);
  EXPECT_EQ(options.twoRooksVsQueenScore, 6);
}

TEST_F(ConfigTest, PathsKeepInnerAndTrailingBlanks) {
  readConfigText(
      "BOOK_PATH = C:\\My Books\\main.bin\r\nSAVE_ANALYSIS_FILE = d:\\analysis file.dat  \nEGTB_PATH = /tb\n");
  EXPECT_STREQ(options.bookPath, "C:\\My Books\\main.bin");
  EXPECT_STREQ(options.analysisFilePath, "d:\\analysis file.dat  ");
  EXPECT_STREQ(options.egtbPath, "/tb");
}

TEST_F(ConfigTest, EmptyValues) {
  // Nothing after "=": no value, the line is skipped. Only blanks: an empty value,
  // which BOOK_PATH ignores but EGTB_PATH takes.
  readConfigText("EGTB_PATH = /tb\nBOOK_PATH =\nEGTB_PATH = \n");
  EXPECT_STREQ(options.bookPath, "VeltBook.bin");
  EXPECT_STREQ(options.egtbPath, "");
  readConfigText("EGTB_PATH = /tb\nBOOK_PATH = \nEGTB_PATH =\n");
  EXPECT_STREQ(options.bookPath, "VeltBook.bin");
  EXPECT_STREQ(options.egtbPath, "/tb");
}

TEST_F(ConfigTest, CommentsAndUnknownLinesAreSkipped) {
  readConfigText("# MAX_THREADS = 8\n\n   \nMAX_THREADS\nunknown = 3\nthreads = 4\n  MAX_THREADS = 2\n");
  EXPECT_EQ(options.maxThreads, 2);
}

TEST_F(ConfigTest, LongLinesAreReadInPieces) {
  // A line over 255 characters: the value ends with the first piece, and the tail
  // is read as a line of its own.
  const std::string longPath(300, 'p');
  readConfigText("BOOK_PATH = " + longPath + "\n" + std::string(255, '#') + "MAX_THREADS = 5\n");
  EXPECT_EQ(std::string(options.bookPath), std::string(255 - 12, 'p'));
  EXPECT_EQ(options.maxThreads, 5);
}

TEST(CopyPath, CutsToTheBuffer) {
  char buffer[8];
  copyPath(buffer, sizeof buffer, "abcdefghijk");
  EXPECT_STREQ(buffer, "abcdefg");
  copyPath(buffer, sizeof buffer, "ab");
  EXPECT_STREQ(buffer, "ab");
}

TEST(ParseDecimal, LeadingDigitsOnly) {
  EXPECT_EQ(parseDecimal("42"), 42);
  EXPECT_EQ(parseDecimal("-7x"), -7);
  EXPECT_EQ(parseDecimal("yes"), 0);
  EXPECT_EQ(parseDecimal(""), 0);
  EXPECT_EQ(parseDecimal("99999999999999"), 2147483647);
  EXPECT_EQ(parseDecimal("-99999999999999"), -2147483647 - 1);
}

TEST(HashSizeToMask, LargestPowerOfTwoBetween8And1024Megabytes) {
  const auto megabytes = [](int request) { return (hashSizeToMask(request) + 4) >> 17; };
  EXPECT_EQ(hashSizeToMask(64), 0x7FFFFCu);
  EXPECT_EQ(megabytes(100), 64u);
  EXPECT_EQ(megabytes(128), 128u);
  EXPECT_EQ(megabytes(1023), 512u);
  EXPECT_EQ(megabytes(1024), 1024u);
  EXPECT_EQ(megabytes(4096), 1024u);
  EXPECT_EQ(megabytes(5), 8u);
  EXPECT_EQ(megabytes(4), 8u);
  EXPECT_EQ(megabytes(0), 8u);
  EXPECT_EQ(megabytes(-3), 8u);
  EXPECT_EQ(megabytes(2147483647), 1024u);
}

}  // namespace
