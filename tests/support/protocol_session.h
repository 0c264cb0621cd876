// An engine process past its protocol's greeting, as the end-to-end tests of both
// protocols start it: in an empty directory, so that no configuration file applies.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace velt {

// Whether the engine wrote exactly this line.
inline bool has(const Lines& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// A figure of a UCI info line ("nodes", "depth", ...), -1 when the line has none.
inline long long figure(const std::string& line, const std::string& name) {
  const std::size_t at = line.find(" " + name + " ");
  return at == std::string::npos ? -1 : std::stoll(line.substr(at + name.size() + 2));
}

// Past "uci" and "uciok".
struct UciEngine {
  TempDirectory directory;
  EngineProcess engine;
  UciEngine() : engine(EngineLaunch(directory)) {
    engine.send("uci");
    EXPECT_TRUE(engine.waitForLine("uciok"));
  }
  // The move of the next "bestmove" line; the lines before it go to *before.
  std::string bestMove(Lines* before = nullptr, std::string* ponder = nullptr) {
    const auto line = engine.waitForLine("bestmove", 60000, before);
    EXPECT_TRUE(line.has_value());
    if (!line) return "";
    const std::size_t end = line->find(' ', 9);
    if (ponder != nullptr) {
      const std::size_t at = line->find(" ponder ");
      *ponder = at == std::string::npos ? "" : line->substr(at + 8);
    }
    return line->substr(9, end == std::string::npos ? std::string::npos : end - 9);
  }
};

// Past "xboard", "protover 2" and the last feature line.
struct XboardEngine {
  TempDirectory directory;
  EngineProcess engine;
  XboardEngine() : engine(EngineLaunch(directory)) {
    engine.send("xboard");
    engine.send("protover 2");
    EXPECT_TRUE(engine.waitForLine("feature done=1"));
  }
  // Sends a ping and returns the lines before its pong.
  Lines sync(int number = 1) {
    engine.send("ping " + std::to_string(number));
    Lines lines;
    EXPECT_TRUE(engine.waitForLine("pong " + std::to_string(number), 60000, &lines));
    return lines;
  }
  std::string engineMove() {
    const auto line = engine.waitForLine("move ", 60000);
    EXPECT_TRUE(line.has_value());
    return line ? line->substr(5) : "";
  }
};

}  // namespace velt
