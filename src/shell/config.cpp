// Reading of the configuration file: one "KEY value" pair per line, anything else is
// a comment.
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "shell/engine.h"
#include "shell/options.h"

namespace velt {

namespace {

constexpr int CONFIG_LINE_SIZE = 256;

// Like strtok: skips leading delimiters, then returns the text up to the next
// delimiter (which is overwritten by NUL); *next is left after it. nullptr when no
// text is left.
char* nextToken(char** next, const char* delimiters) {
  char* start = *next + std::strspn(*next, delimiters);
  if (*start == '\0') {
    *next = start;
    return nullptr;
  }
  char* end = start + std::strcspn(start, delimiters);
  if (*end != '\0') *end++ = '\0';
  *next = end;
  return start;
}

int clampValue(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

void setFlagWhenOne(Engine& engine, std::uint32_t flag, const char* value) {
  if (parseDecimal(value) == 1) engine.engineFlags |= flag;
}

// Applies one line. The key ends at a blank or tab; the value runs to the next "=",
// tab or line end, so "KEY = value" and "KEY value" work but "KEY=value" does not,
// and blanks inside or after the value are kept.
void applyConfigLine(Engine& engine, char* line) {
  char* rest = line;
  const char* key = nextToken(&rest, " \t");
  if (key == nullptr) return;
  char* value = nextToken(&rest, "=\t\r\n");
  if (value == nullptr) return;
  while (*value == ' ') ++value;

  const auto is = [key](const char* name) { return strcasecmp(key, name) == 0; };

  if (is("PONDER")) {
    setFlagWhenOne(engine, FLAG_PONDER, value);
  } else if (is("LEARN")) {
    setFlagWhenOne(engine, FLAG_BOOK_LEARNING, value);
  } else if (is("RESIGN")) {
    setFlagWhenOne(engine, FLAG_CAN_RESIGN, value);
  } else if (is("PRESERVE_HASH")) {
    setFlagWhenOne(engine, FLAG_PRESERVE_HASH, value);
  } else if (is("BOOK_PATH")) {
    if (*value != '\0') copyPath(engine.options.bookPath, sizeof engine.options.bookPath, value);
  } else if (is("EGTB_PATH")) {
    copyPath(engine.options.egtbPath, sizeof engine.options.egtbPath, value);
  } else if (is("SYZYGY_PATH")) {
    copyPath(engine.options.syzygyPath, sizeof engine.options.syzygyPath, value);
  } else if (is("SYZYGY_50_MOVE_RULE")) {
    engine.options.syzygy50MoveRule = *value == '1' || *value == 't' || *value == 'T';
  } else if (is("SAVE_ANALYSIS_FILE")) {
    if (*value != '\0') copyPath(engine.options.analysisFilePath, sizeof engine.options.analysisFilePath, value);
  } else if (is("TT_SIZE")) {
    engine.options.ttIndexMask = hashSizeToMask(parseDecimal(value));
  } else if (is("EGTB_CACHE_SIZE")) {
    engine.options.egtbCacheMB = clampValue(parseDecimal(value), 32, 128);
  } else {
    for (const SpinOption& option : spinOptions()) {
      if (option.configKey != nullptr && is(option.configKey)) {
        engine.options.*option.field = spinValue(option, value);
        return;
      }
    }
  }
}

}  // namespace

void readConfigFile(Engine& engine, const char* path) {
  setDefaultOptions(engine);
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return;
  // Lines are read in pieces of at most 255 characters; a longer line's remainder is
  // read as a line of its own.
  char line[CONFIG_LINE_SIZE];
  while (std::fgets(line, sizeof line, file) != nullptr) applyConfigLine(engine, line);
  std::fclose(file);
}

void readConfig(Engine& engine) { readConfigFile(engine, "./velt.cfg"); }

}  // namespace velt
