// Setting the engine options: the ranges of the numeric options, the defaults and
// ./velt.cfg, and the conversions of option text. The record itself is
// search/engine_options.h, so that the subsystems below the shell can read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "search/engine_options.h"

namespace velt {

struct Engine;

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
std::span<const SpinOption> spinOptions();
// The entry of the options-record field; every such field has one.
const SpinOption& spinOption(int EngineOptions::*field);
// Option text to a number inside the option's range.
int spinValue(const SpinOption& option, const char* text);

// The material options as the material table's build takes them.
struct MaterialSettings;
MaterialSettings materialSettings(Engine& engine);

// Resets engineFlags and every option to its default.
void setDefaultOptions(Engine& engine);
// Sets the defaults, then applies ./velt.cfg when it exists.
void readConfig(Engine& engine);
// Same as readConfig but from the named file (used by the tests).
void readConfigFile(Engine& engine, const char* path);
// The transposition table's size in megabytes, and a new table of the given size
// (UCI Hash, xboard "memory"); when that cannot be had, says so and keeps the largest
// of the old size and its halves that can be.
int hashMegabytes(const Engine& engine);
void setHashSize(Engine& engine, int megabytes);
// The number of search threads from option text, clamped to its range, and the
// threads started anew (UCI MaxThreads and Threads, xboard "cores").
void setThreadCount(Engine& engine, const char* text);
// Megabytes to the transposition-table index mask (largest power of two, 8..1024 MB).
std::uint32_t hashSizeToMask(int megabytes);
// Option text to a number: optional sign and leading digits, 0 when there are none;
// saturates instead of overflowing.
int parseDecimal(const char* text);
// Whether the text is a whole number: optional sign and digits, nothing else.
bool isDecimal(const char* text);
// Copies a path into a fixed buffer of the given size, cutting it to fit.
void copyPath(char* destination, std::size_t size, const char* source);

}  // namespace velt
