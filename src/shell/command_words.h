// Splitting protocol lines into words (blanks and tabs separate them).
#pragma once

#include <string>
#include <vector>

namespace velt {

struct CommandWord {
  std::string text;
  std::size_t end;  // offset in the line just past the word
};

std::vector<CommandWord> splitCommandWords(const char* line);
std::string lowerCase(std::string text);
// The line from offset on, without leading blanks and tabs.
const char* restOfLine(const char* line, std::size_t offset);

}  // namespace velt
