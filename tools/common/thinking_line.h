// The game driver's record of a move: its thinking time and the score and depth of
// the engine's last thinking line, written into the PGN as engine games have it.
#pragma once

#include <string>
#include <string_view>

namespace velt {

struct MoveReport {
  long long elapsedMs = 0;
  bool scored = false;  // a thinking line with a score was read
  bool mate = false;
  int score = 0;  // centipawns from the mover's view, or moves to mate (negative: mated)
  int depth = 0;
};

// Takes the score and depth from a thinking line: a UCI "info" line with a score, or an
// xboard line "ply score time nodes pv", whose mate scores are 100000 plus the moves.
// Other lines leave the report as it is.
void readThinking(const std::string& line, bool uci, MoveReport& report);

// The move's PGN comment: score and depth, then the time ("+0.25/12 0.512s",
// "-M3/20 1.020s"), or the time alone when no score was read ("0.000s").
std::string moveComment(const MoveReport& report);

// Reads the score and depth back from such a comment; false (and the report as it
// was) when the comment holds none.
bool readMoveComment(std::string_view comment, MoveReport& report);

}  // namespace velt
