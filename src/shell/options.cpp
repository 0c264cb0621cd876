// The conversions of the options record, shared by the configuration file and the
// protocol option commands.
#include "shell/options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "eval/material.h"
#include "search/parallel.h"
#include "search/tt.h"
#include "shell/engine.h"

namespace velt {

namespace {

const SpinOption spinOptionTable[] = {
    {"MaxThreads", "MAX_THREADS", &EngineOptions::maxThreads, 1, 16},
    {"MultiPV", nullptr, &EngineOptions::multiPV, 1, 5},
    {"SaveAnalysisMinDepth", "SAVE_ANALYSIS_MIN_DEPTH", &EngineOptions::analysisMinDepth, 0, 32},
    {"PruningLevel", "PRUNING_LEVEL", &EngineOptions::pruningLevel, -1000, 100},
    {"DrawContemptScore", "DRAW_CONTEMPT_SCORE", &EngineOptions::drawContemptScore, -100, 100},
    {"MinEgtbDepth", "MIN_EGTB_DEPTH", &EngineOptions::minEgtbDepth, 2, 100},
    {"SyzygyProbeDepth", "SYZYGY_PROBE_DEPTH", &EngineOptions::syzygyProbeDepth, 1, 100},
    {"SyzygyProbeLimit", "SYZYGY_PROBE_LIMIT", &EngineOptions::syzygyProbeLimit, 0, 7},
    {"MaterialImportance", "MATERIAL_IMPORTANCE", &EngineOptions::materialImportance, -100, 100},
    {"Minor_vs_Pawns_Score", "MINOR_VS_PAWNS_SCORE", &EngineOptions::minorVsPawnsScore, -100, 100},
    {"Rook_vs_Pawns_Score", "ROOK_VS_PAWNS_SCORE", &EngineOptions::rookVsPawnsScore, -100, 100},
    {"Rook_vs_Minor_Score", "ROOK_VS_MINOR_SCORE", &EngineOptions::rookVsMinorScore, -30, 30},
    {"TwoMinors_vs_Rook_Score", "TWO_MINORS_VS_ROOK_SCORE", &EngineOptions::twoMinorsVsRookScore, -100, 100},
    {"ThreeMinors_vs_Queen_Score", "THREE_MINORS_VS_QUEEN_SCORE", &EngineOptions::threeMinorsVsQueenScore, -100, 100},
    {"TwoRooks_vs_Queen_Score", "TWO_ROOKS_VS_QUEEN_SCORE", &EngineOptions::twoRooksVsQueenScore, -60, 60},
};

}  // namespace

std::span<const SpinOption> spinOptions() { return spinOptionTable; }

const SpinOption& spinOption(int EngineOptions::*field) {
  for (const SpinOption& option : spinOptions()) {
    if (option.field == field) return option;
  }
  std::abort();  // a field without a range is a programming error
}

int spinValue(const SpinOption& option, const char* text) {
  return std::clamp(parseDecimal(text), option.min, option.max);
}

MaterialSettings materialSettings(Engine& engine) {
  return {engine.options.materialImportance,   engine.options.minorVsPawnsScore,
          engine.options.rookVsPawnsScore,     engine.options.rookVsMinorScore,
          engine.options.twoMinorsVsRookScore, engine.options.threeMinorsVsQueenScore,
          engine.options.twoRooksVsQueenScore};
}

int hashMegabytes(const Engine& engine) { return static_cast<int>((engine.options.ttIndexMask + 4) >> 17); }

// A new table of the requested size; when it cannot be had, the largest of the old
// size and its halves that can, so that the engine keeps a working table.
void setHashSize(Engine& engine, int megabytes) {
  const std::uint32_t indexMask = hashSizeToMask(megabytes);
  const std::uint32_t oldMask = engine.tt.entries != nullptr ? engine.tt.mask : engine.options.ttIndexMask;
  if (ttAllocate(engine.tt, indexMask)) {
    engine.options.ttIndexMask = indexMask;
    return;
  }
  std::uint32_t fallback = std::min(oldMask, indexMask);
  while (!ttAllocate(engine.tt, fallback) && fallback > 1020) fallback = (fallback + 4) / 2 - 4;
  engine.options.ttIndexMask = engine.tt.entries != nullptr ? fallback : engine.options.ttIndexMask;
  print(engine.out, "Hash: cannot allocate %u MB, keeping %d MB\n", (indexMask + 4) >> 17, hashMegabytes(engine));
}

void setThreadCount(Engine& engine, const char* text) {
  engine.options.maxThreads = spinValue(spinOption(&EngineOptions::maxThreads), text);
  setSearchThreads(engine, engine.options.maxThreads);
}

void setDefaultOptions(Engine& engine) {
  engine.engineFlags = DEFAULT_ENGINE_FLAGS;
  engine.options = EngineOptions{};
}

std::uint32_t hashSizeToMask(int megabytes) {
  // Work in 64 bits so that any int request clamps instead of overflowing.
  std::int64_t kilobytes = static_cast<std::int64_t>(megabytes) * 1024;
  if (kilobytes < 8192) kilobytes = 8192;
  if (kilobytes > 1048576) kilobytes = 1048576;
  const std::uint32_t entries = static_cast<std::uint32_t>(kilobytes & 0x3FFFFF) * 128;
  std::uint32_t count = 1024;
  while (count * 2 <= entries) count *= 2;
  return count - 4;
}

int parseDecimal(const char* text) {
  const char* p = text;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > 2147483648LL) value = 2147483648LL;  // saturate instead of overflowing
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

bool isDecimal(const char* text) {
  const char* p = text;
  if (*p == '-' || *p == '+') ++p;
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  return p != digits && *p == '\0';
}

void copyPath(char* destination, std::size_t size, const char* source) {
  const std::size_t length = strnlen(source, size - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

}  // namespace velt
