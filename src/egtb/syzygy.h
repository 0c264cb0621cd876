// Syzygy endgame tables, probed through the Fathom library (compiled in from
// third_party/fathom): loading a path, the win-draw-loss verdict of a position, the
// ranking of the root moves by distance to zeroing, and the scores of the verdicts.
//
// Fathom keeps its tables in process-wide state: one path is loaded per process, the
// last one loaded. The engine's record (SyzygyTables) keeps what it handed over.
#pragma once

#include <string>
#include <vector>

#include "board/position.h"

namespace velt {

// A Syzygy win found at ply p scores SYZYGY_WIN_SCORE - p: above every evaluation,
// below every mate score, and nearer wins first.
constexpr int SYZYGY_WIN_SCORE = 28000;
constexpr int SYZYGY_LARGEST_EVAL = 20000;  // no evaluation reaches this
static_assert(SYZYGY_WIN_SCORE + MAX_PLY < MATE_BOUND && SYZYGY_WIN_SCORE - MAX_PLY > SYZYGY_LARGEST_EVAL);

// The verdicts in the library's order: a blessed loss and a cursed win are a loss and
// a win that the fifty-move rule turns into a draw.
enum class SyzygyWdl : int { LOSS, BLESSED_LOSS, DRAW, CURSED_WIN, WIN };

// The most men a Syzygy table holds (seven-men sets).
constexpr int SYZYGY_MAX_MEN = 7;

// What the engine handed to the library.
struct SyzygyTables {
  std::string path;  // the path as given, empty when none is loaded
  int files = 0;     // accepted files
  int largest = 0;   // men of the largest table the library found, 0 when none
};

// What a load found: the accepted files and a line for each one refused or each
// directory missing.
struct SyzygyLoadReport {
  int files = 0;
  int largest = 0;
  std::vector<std::string> faults;
};

// Forgets what was loaded, then loads the tables of the directories in pathList (as
// splitPathList reads it). A file whose size or magic number is not a Syzygy table's
// is named in the report; where two folders hold a file of the same name, the first
// one's is used. The library reads a table's file when a probe first needs it and
// checks every read against the file's end: a file damaged inside is refused then,
// with a line on standard error, and its positions are not in the tables. Call it
// only while no search runs.
SyzygyLoadReport loadSyzygy(SyzygyTables& tables, const std::string& pathList);
void unloadSyzygy(SyzygyTables& tables);
// Why the file cannot be a Syzygy table (an empty text when it may be one).
std::string syzygyFileFault(const std::string& fileName);

// The verdict of a position without castling rights right after a capture or a pawn
// move (the fifty-move counter at 0); false when no loaded table holds it. Safe from
// any number of threads.
bool probeSyzygyWdl(const Position& pos, SyzygyWdl& wdl);

// The score of a verdict found at `ply`, from the side to move's view. With the
// fifty-move rule a cursed win and a blessed loss score as draws (`drawScore`).
int syzygyScore(SyzygyWdl wdl, int ply, bool fiftyMoveRule, int drawScore);
// The verdict as the fifty-move rule setting sees it (without the rule a cursed win is
// a win and a blessed loss a loss).
SyzygyWdl effectiveWdl(SyzygyWdl wdl, bool fiftyMoveRule);

// One root move's outcome: the verdict after it (the mover's view, with the position's
// fifty-move counter counted in) and the plies to the next capture or pawn move.
struct SyzygyMoveOutcome {
  int from, to, promotion;  // promotion: the piece type, 0 for none
  SyzygyWdl wdl;
  int dtz;
};

constexpr int SYZYGY_ROOT_MOVES = 256;  // more than any position's legal moves

struct SyzygyRoot {
  SyzygyWdl wdl = SyzygyWdl::DRAW;  // the position's verdict
  int dtz = 0;
  int count = 0;
  SyzygyMoveOutcome moves[SYZYGY_ROOT_MOVES];
};

// The verdict and distance of a position and of each of its legal moves, from the
// distance-to-zero tables; false when they do not hold it all. Not safe from several
// threads: the root of a search only.
bool probeSyzygyRoot(const Position& pos, SyzygyRoot& root);

// The rank of a root move's outcome, higher is better: the verdict first, then with
// `progress` the way to the next zeroing move, shorter for a win, longer for a loss.
// The moves of the highest rank keep the best result.
int syzygyRank(const SyzygyMoveOutcome& move, bool fiftyMoveRule, bool progress);

}  // namespace velt
