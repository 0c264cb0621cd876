// The engine options record: defaults, then ./velt.cfg, then UCI "setoption" and
// xboard commands all write these values; every subsystem reads them directly.
#pragma once

#include <cstdint>

// engineFlags bits: protocol and mode bits, and the on/off options.
constexpr std::uint32_t FLAG_XBOARD = 0x1;
constexpr std::uint32_t FLAG_UCI = 0x2;
constexpr std::uint32_t FLAG_POST = 0x4;
constexpr std::uint32_t FLAG_PONDER = 0x8;
constexpr std::uint32_t FLAG_BOOK_LEARNING = 0x10;
constexpr std::uint32_t FLAG_CAN_RESIGN = 0x20;
constexpr std::uint32_t FLAG_OPPONENT_COMPUTER = 0x40;
constexpr std::uint32_t FLAG_DEBUG = 0x80;
constexpr std::uint32_t FLAG_FEN_FILE_CASTLING = 0x200;  // castling given by rook files
constexpr std::uint32_t FLAG_INPUT_IS_FILE = 0x400;
constexpr std::uint32_t FLAG_PRESERVE_HASH = 0x800;
constexpr std::uint32_t DEFAULT_ENGINE_FLAGS = FLAG_XBOARD | FLAG_POST;

constexpr int PATH_SIZE = 256;
constexpr int ANALYSIS_PATH_SIZE = 512;

struct EngineOptions {
  std::uint32_t ttIndexMask;  // transposition-table entries minus 4
  char bookPath[PATH_SIZE];
  char egtbPath[PATH_SIZE];
  int egtbCacheMB;
  int maxThreads;
  int multiPV;
  int minorVsPawnsScore;
  int rookVsPawnsScore;
  int rookVsMinorScore;
  int twoMinorsVsRookScore;
  int threeMinorsVsQueenScore;
  int twoRooksVsQueenScore;
  int materialImportance;
  int minEgtbDepth;
  int drawContemptScore;
  int pruningLevel;
  char analysisFilePath[ANALYSIS_PATH_SIZE];
  int analysisMinDepth;
};

extern std::uint32_t engineFlags;
extern EngineOptions options;

// Sets the defaults, then applies ./velt.cfg when it exists.
void readConfig();
// Same as readConfig but from the named file (used by the tests).
void readConfigFile(const char* path);
// Megabytes to the transposition-table index mask (largest power of two, 8..1024 MB).
std::uint32_t hashSizeToMask(int megabytes);
