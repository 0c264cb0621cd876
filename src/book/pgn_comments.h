// What of a PGN game's move text is not moves: {comments}, ";" comments to the end of
// the line, (variations) and $ annotations. The book builder and the tools that replay
// games read the moves alone.
#pragma once

#include <string>

namespace velt {

// Filters move text line by line; braces and variations may run over several lines,
// so one filter serves one game's lines in order.
struct PgnCommentFilter {
  bool inBrace = false;
  int variationDepth = 0;

  // Replaces the line by what is left of it: the moves, numbers and result.
  void apply(std::string& line);
};

}  // namespace velt
