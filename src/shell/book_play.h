// The opening book in games: choosing a book move for the engine, learning after it
// has left the book, and the book listing of xboard "bk".
#pragma once

#include "board/types.h"

namespace velt {

struct Engine;

// Engine turns that may consult the book after a new game, a book move or a take-back
// into the book.
constexpr int BOOK_TURNS = 3;

// Opens the book of the options (a damaged one is reported). A book named only "VeltBook.bin" that the working
// directory does not hold is taken from where `make install` puts the default book:
// share/velt beside the program's bin directory.
bool openConfiguredBook(Engine& engine);

// The book move for the game position, or MOVE_NONE (no book turns left, no book
// move, or one that would repeat a position). Prints the candidates as a thinking
// line in xboard mode.
Move chooseBookMove(Engine& engine);
// After a search: learns from the score once, when the sixth search after the last
// book move is clearly good or bad and learning is on.
void learnFromBookExit(Engine& engine, int score);
// Prints the candidate table of the game position from one book table.
void showBookMoves(Engine& engine, int table);
// "/CB": builds the book at `bookPath` from the games of `pgnPath`, printing its
// progress; true when the book was written.
bool buildBook(Engine& engine, const char* pgnPath, const char* bookPath);

}  // namespace velt
