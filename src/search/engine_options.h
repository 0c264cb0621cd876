// The engine options record: defaults, then ./velt.cfg, then UCI "setoption" and
// xboard commands all write these values (shell/options.h); the engine record holds
// them and the engineFlags bits.
#pragma once

#include <cstdint>

namespace velt {

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
constexpr std::uint32_t FLAG_SHOW_WDL = 0x1000;  // UCI score lines carry win/draw/loss chances
constexpr std::uint32_t DEFAULT_ENGINE_FLAGS = FLAG_XBOARD | FLAG_POST;

constexpr std::uint32_t DEFAULT_TT_INDEX_MASK = 0x7FFFFC;  // 64 MB
constexpr int PATH_SIZE = 256;
constexpr const char* DEFAULT_BOOK_NAME = "VeltBook.bin";
constexpr int ANALYSIS_PATH_SIZE = 512;

// Member initialisers are the defaults that the configuration file starts from.
struct EngineOptions {
  std::uint32_t ttIndexMask = DEFAULT_TT_INDEX_MASK;  // transposition-table entries minus 4
  char bookPath[PATH_SIZE] = "VeltBook.bin";  // DEFAULT_BOOK_NAME
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
  char syzygyPath[PATH_SIZE] = "";
  int syzygyProbeDepth = 1;  // plies, 1..100
  int syzygyProbeLimit = 7;  // men, 0..7
  bool syzygy50MoveRule = true;
  int drawContemptScore = 0;
  int pruningLevel = 0;
  char analysisFilePath[ANALYSIS_PATH_SIZE] = "";
  int analysisMinDepth = 0;
  // Chess960 (UCI_Chess960, xboard "variant fischerandom"): UCI writes castling as the
  // king taking its rook, and the book, which holds standard chess, is not used.
  bool chess960 = false;
};

}  // namespace velt
