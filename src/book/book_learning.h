// Book learning: once the engine's score after leaving the book is clearly good or
// bad, the book records of the positions its own book moves produced are marked.
#pragma once

#include "book/book.h"
#include "eval/evaluate.h"

namespace velt {

constexpr int LEARN_SCORE = 200;  // a score at least this far from 0 is learned from

struct BookLearnGame {
  int bookExitPly = 0;               // game ply at which the last book move was chosen
  bool fromInitialPosition = true;   // games set up from a FEN never teach the book
  bool opponentIsComputer = false;   // good results are learned only against computers
};

// Replays the game on `pos` (its moves are read from the undo records) and updates
// `learned`, `learnCount` and `skip` of the engine's book positions in `book`.
// `pos` ends as it began, at the same game ply.
void bookLearn(BookState& book, EvalPosition& pos, int score, const BookLearnGame& game);

}  // namespace velt
