// Regular expressions for reading the engine's output in tests. <regex> is compiled
// in this one file only: each file that includes it builds seconds slower.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace velt {

class TextPattern {
 public:
  explicit TextPattern(const std::string& expression);
  ~TextPattern();
  TextPattern(const TextPattern&) = delete;
  TextPattern& operator=(const TextPattern&) = delete;

  // Whether the whole of `text` matches; `groups`, when given, receives the
  // subexpressions 1 to n of the match.
  bool matches(const std::string& text, std::vector<std::string>* groups = nullptr) const;
  // The subexpressions 1 to n of every match found in `text`, in order.
  std::vector<std::vector<std::string>> findAll(const std::string& text) const;
  // `text` with every match replaced (ECMAScript replacement syntax).
  std::string replaceAll(const std::string& text, const std::string& replacement) const;

 private:
  struct Compiled;
  std::unique_ptr<const Compiled> compiled_;
};

}  // namespace velt
