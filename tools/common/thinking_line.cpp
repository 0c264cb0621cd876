#include "common/thinking_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace velt {

namespace {

constexpr int XBOARD_MATE = 100000;

void readXboardThinking(std::istringstream& words, MoveReport& report) {
  int ply = 0, score = 0;
  long long time = 0, nodes = 0;
  if (!(words >> ply >> score >> time >> nodes)) return;
  report.scored = true;
  report.depth = ply;
  report.mate = std::abs(score) >= XBOARD_MATE;
  report.score = !report.mate ? score : score > 0 ? score - XBOARD_MATE : score + XBOARD_MATE;
}

void readUciThinking(std::istringstream& words, MoveReport& report) {
  std::string word;
  if (!(words >> word) || word != "info") return;
  MoveReport read = report;
  bool scored = false;
  while (words >> word) {
    if (word == "depth") {
      words >> read.depth;
    } else if (word == "score") {
      std::string kind;
      words >> kind >> read.score;
      read.mate = kind == "mate";
      scored = kind == "cp" || read.mate;
    }
  }
  if (!scored) return;
  read.scored = true;
  report = read;
}

}  // namespace

void readThinking(const std::string& line, bool uci, MoveReport& report) {
  std::istringstream words(line);
  if (uci) {
    readUciThinking(words, report);
  } else {
    readXboardThinking(words, report);
  }
}

std::string moveComment(const MoveReport& report) {
  char text[64];
  const double seconds = static_cast<double>(report.elapsedMs) / 1000.0;
  if (!report.scored) {
    std::snprintf(text, sizeof text, "%.3fs", seconds);
  } else if (report.mate) {
    std::snprintf(text, sizeof text, "%cM%d/%d %.3fs", report.score > 0 ? '+' : '-', std::abs(report.score),
                  report.depth, seconds);
  } else {
    std::snprintf(text, sizeof text, "%+.2f/%d %.3fs", report.score / 100.0, report.depth, seconds);
  }
  return text;
}

bool readMoveComment(std::string_view comment, MoveReport& report) {
  const std::string text(comment.substr(0, comment.find(' ')));
  const std::size_t slash = text.find('/');
  if (text.size() < 2 || (text[0] != '+' && text[0] != '-') || slash == std::string::npos) return false;
  const bool mate = text[1] == 'M';
  const std::string number = text.substr(mate ? 2 : 1, slash - (mate ? 2 : 1));
  const std::string depth = text.substr(slash + 1);
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (number.empty() || *end != '\0') return false;
  const long plies = std::strtol(depth.c_str(), &end, 10);
  if (depth.empty() || *end != '\0' || plies < 0) return false;
  const double sign = text[0] == '-' ? -1.0 : 1.0;
  report.scored = true;
  report.mate = mate;
  report.score = static_cast<int>(std::lround(sign * (mate ? value : value * 100.0)));
  report.depth = static_cast<int>(plies);
  return true;
}

}  // namespace velt
