// The engine options record: defaults, then ./velt.cfg, then UCI "setoption" and
// xboard commands all write these values; every subsystem reads them directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// engineFlags bits: protocol and mode bits, and the on/off options.
constexpr std::uint32_t FLAG_XBOARD = 0x1;
constexpr std::uint32_t FLAG_UCI = 0x2;
constexpr std::uint32_t FLAG_POST = 0x4;
constexpr std::uint32_t FLAG_PONDER = 0x8;
constexpr std::uint32_t FLAG_BOOK_LEARNING = 0x10;
constexpr std::uint32_t FLAG_CAN_RESIGN = 0x20;
constexpr std::uint32_t FLAG_OPPONENT_COMPUTER = 0x40;
constexpr std::uint32_t FLAG_DEBUG = 0x80;
constexpr std::uint32_t FLAG_INPUT_IS_FILE = 0x400;
constexpr std::uint32_t FLAG_PRESERVE_HASH = 0x800;
constexpr std::uint32_t DEFAULT_ENGINE_FLAGS = FLAG_XBOARD | FLAG_POST;

constexpr std::uint32_t DEFAULT_TT_INDEX_MASK = 0x7FFFFC;  // 64 MB
constexpr int PATH_SIZE = 256;
constexpr int ANALYSIS_PATH_SIZE = 512;

// Member initialisers are the defaults that the configuration file starts from.
struct EngineOptions {
  std::uint32_t ttIndexMask = DEFAULT_TT_INDEX_MASK;  // transposition-table entries minus 4
  char bookPath[PATH_SIZE] = "VeltBook.bin";
  char egtbPath[PATH_SIZE] = "";
  int egtbCacheMB = 32;  // 32..128
  int maxThreads = 1;    // 1..16
  int multiPV = 1;       // 1..5
  int minorVsPawnsScore = 0;
  int rookVsPawnsScore = 0;
  int rookVsMinorScore = 0;
  int twoMinorsVsRookScore = 0;
  int threeMinorsVsQueenScore = 0;
  int twoRooksVsQueenScore = 0;
  int materialImportance = 0;
  int minEgtbDepth = 3;
  int drawContemptScore = 0;
  int pruningLevel = 0;
  char analysisFilePath[ANALYSIS_PATH_SIZE] = "";
  int analysisMinDepth = 0;
};

extern std::uint32_t engineFlags;
extern EngineOptions options;

// A numeric option with the range the engine advertises for it. Values from
// setoption and from velt.cfg are untrusted: both clamp them into this range before
// any arithmetic sees them.
struct SpinOption {
  const char* name;       // as UCI lists it
  const char* configKey;  // its velt.cfg key, or nullptr
  int EngineOptions::*field;
  int min;
  int max;
};
constexpr int HASH_MIN_MB = 1;
constexpr int HASH_MAX_MB = 1024;

// Every numeric option that is kept as a plain number in the options record.
extern const std::span<const SpinOption> spinOptions;
// The entry of the options-record field; every such field has one.
const SpinOption& spinOption(int EngineOptions::*field);
// Option text to a number inside the option's range.
int spinValue(const SpinOption& option, const char* text);

// The material options as the material table's build takes them.
struct MaterialSettings;
MaterialSettings materialSettings();

// Resets engineFlags and every option to its default.
void setDefaultOptions();
// Sets the defaults, then applies ./velt.cfg when it exists.
void readConfig();
// Same as readConfig but from the named file (used by the tests).
void readConfigFile(const char* path);
// Megabytes to the transposition-table index mask (largest power of two, 8..1024 MB).
std::uint32_t hashSizeToMask(int megabytes);
// Option text to a number: optional sign and leading digits, 0 when there are none;
// saturates instead of overflowing.
int parseDecimal(const char* text);
// Copies a path into a fixed buffer of the given size, cutting it to fit.
void copyPath(char* destination, std::size_t size, const char* source);
