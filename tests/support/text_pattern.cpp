#include "support/text_pattern.h"

#include <regex>

namespace velt {

struct TextPattern::Compiled {
  std::regex expression;
};

namespace {

std::vector<std::string> subexpressions(const std::smatch& match) {
  std::vector<std::string> groups;
  for (std::size_t index = 1; index < match.size(); ++index) groups.push_back(match[index].str());
  return groups;
}

}  // namespace

TextPattern::TextPattern(const std::string& expression) : compiled_(new Compiled{std::regex(expression)}) {}

TextPattern::~TextPattern() = default;

bool TextPattern::matches(const std::string& text, std::vector<std::string>* groups) const {
  std::smatch match;
  if (!std::regex_match(text, match, compiled_->expression)) return false;
  if (groups) *groups = subexpressions(match);
  return true;
}

std::vector<std::vector<std::string>> TextPattern::findAll(const std::string& text) const {
  std::vector<std::vector<std::string>> found;
  for (std::sregex_iterator it(text.begin(), text.end(), compiled_->expression), end; it != end; ++it) {
    found.push_back(subexpressions(*it));
  }
  return found;
}

std::string TextPattern::replaceAll(const std::string& text, const std::string& replacement) const {
  return std::regex_replace(text, compiled_->expression, replacement);
}

}  // namespace velt
