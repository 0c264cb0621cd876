#include "book/pgn_comments.h"

#include <cctype>

namespace velt {

void PgnCommentFilter::apply(std::string& line) {
  std::string kept;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inBrace) {
      inBrace = c != '}';
    } else if (c == '{') {
      inBrace = true;
      kept += ' ';  // the comment may have separated two tokens
    } else if (c == ';' && variationDepth == 0) {
      break;
    } else if (c == '(') {
      if (variationDepth++ == 0) kept += ' ';
    } else if (c == ')' && variationDepth > 0) {
      --variationDepth;
    } else if (variationDepth > 0) {
      continue;
    } else if (c == '$') {
      while (i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1]))) ++i;
    } else {
      kept += c;
    }
  }
  line.swap(kept);
}

}  // namespace velt
