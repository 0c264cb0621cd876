// Word splitting shared by the protocol handlers.
#include "shell/command_words.h"

#include <cctype>

namespace velt {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<CommandWord> splitCommandWords(const char* line) {
  std::vector<CommandWord> words;
  std::size_t i = 0;
  for (;;) {
    while (isBlank(line[i])) ++i;
    if (line[i] == '\0') return words;
    const std::size_t start = i;
    while (line[i] != '\0' && !isBlank(line[i])) ++i;
    words.push_back({std::string(line + start, i - start), i});
  }
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const char* restOfLine(const char* line, std::size_t offset) {
  const char* p = line + offset;
  while (isBlank(*p)) ++p;
  return p;
}

}  // namespace velt
