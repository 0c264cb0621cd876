// The engine record: the search's record (EngineCore: options, time control, tables,
// threads, game position) and everything the shell keeps between commands, in one
// place with one owner. The program creates one; a test creates its own. Its
// destruction ends the command reader and the search threads.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "book/book.h"
#include "search/engine_core.h"
#include "shell/game_state.h"
#include "shell/input.h"
#include "shell/output.h"

namespace velt {

// A UCI option change that waits for the end of the running search: the option's
// index in the UCI option table and the text setoption gave it.
struct QueuedOption {
  int index;
  std::string word;  // the word after "value"
  std::string rest;  // everything after "value"
};

struct Engine : EngineCore {
  Output out;
  GameState game;
  // Shared with the reader thread, which may outlive the record while it is blocked
  // reading standard input as the program ends.
  std::shared_ptr<InputQueue> input = std::make_shared<InputQueue>();
  bool inputIsFile = false;  // standard input is a regular file, read on demand

  bool tablesReady = false;  // the protocol's tables are set up
  // A search of the game runs, or the lines held during it are being handled.
  bool thinking = false;
  // A finished ponder or analysis search whose result the front end has not yet taken.
  bool resultHeld = false;
  // OwnBook as the front end set it: a closed book may be off or just missing, and a
  // new BookPath opens the book only while it is on.
  bool ownBook = true;
  // Set by a "level" whose base is zero: the base is then taken from the first clock
  // that "time" reports. "level" writes the base in whole seconds at best, so a front
  // end can only give a control under a second this way.
  bool baseAwaitsClock = false;
  std::vector<QueuedOption> queuedOptions;
  BookState book;  // the open book, if any
  // The search's last single-line report, repeated on a ponder hit.
  std::string lastThinkingLine;
  std::thread commandReader;  // runs from initInput on (command_reader.h)

  Engine() = default;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();
};

}  // namespace velt
