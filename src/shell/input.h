// Console input: a reader thread copies standard input into a locked queue; the main
// thread takes whole lines out of it between searches, the command reader
// (command_reader.h) while a search runs. Between searches the main thread sleeps
// until the reader signals new text, so a command is handled the moment it arrives.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace velt {

struct Engine;

constexpr std::size_t INPUT_CHUNK_SIZE = 4096;
// Above this much unread text the reader waits for the main thread to take lines
// (as long as there is a complete line to take), so that a long command file is not
// read into memory at once.
constexpr std::size_t INPUT_BACKLOG_LIMIT = 65536;

// Text received but not yet taken as lines. The reader appends and the line takers
// take lines, both holding `lock` (a spin lock: 0 free, 1 held).
struct InputQueue {
  std::atomic<int> lock{0};
  std::string text;       // unread text starts at `head`
  std::size_t head = 0;
  bool ended = false;     // nothing more will be appended
  std::string line;       // the last line taken; valid until the next one is taken
  std::string putBack;    // a line given back untaken, taken again first
  bool hasPutBack = false;
  // Auto-reset event: set by the reader after it appended text or ended the queue,
  // reset by the waiting main thread as it wakes.
  std::mutex signalMutex;
  std::condition_variable signal;
  bool signalled = false;
  // The same for the command reader, which also wakes for the start of a search and
  // for its own end (`closing`).
  std::condition_variable readerSignal;
  bool readerWake = false;
  bool closing = false;

  // The hand-over between the game loop and the command reader: while searchRunning
  // the command reader takes the lines, holding `handoff` for each, and keeps in
  // heldLines those the game loop is to handle when the search has ended.
  std::mutex handoff;
  bool searchRunning = false;
  std::vector<std::string> heldLines;
};

// Appends received bytes. Returns false once a line "quit" (ended by a line feed or
// a carriage return) has arrived: nothing after it is to be read.
bool appendInput(InputQueue& queue, const char* data, std::size_t size);
// End of input: a last line without line feed is completed so that it is handed
// out too; with addQuit a line "quit" follows it.
void endInput(InputQueue& queue, bool addQuit);
// The next complete line without its line feed (and without a carriage return just
// before it), or nullptr when no complete line is buffered.
const char* takeLine(InputQueue& queue);
// Gives a taken line back: the next takeLine returns it again.
void putBackLine(InputQueue& queue, const std::string& line);
// Reads one chunk of standard input into the queue, first waiting while the queue is backlogged.
// Returns false when reading is over (end of input, read error or "quit"); the queue
// has then been ended, with a "quit" line when addQuitAtEnd is set.
bool readChunk(InputQueue& queue, bool addQuitAtEnd);
// The reader thread: reads chunks until reading is over; the end of a pipe or
// terminal reads as "quit".
void readInputLoop(InputQueue& queue);
// For a regular file, read on demand by the main thread: the next line, reading
// further chunks as needed; nullptr once the file is used up.
const char* takeLineFromFile(InputQueue& queue);

// Sets up standard input once at start-up: a regular file is read on demand (and
// sets FLAG_INPUT_IS_FILE), anything else gets the reader thread; either way the
// command reader starts.
void initInput(Engine& engine);
// The next complete console line, or nullptr when none is buffered.
const char* getInputLine(Engine& engine);
// Sleeps until the reader has appended text or ended the queue since the last wait.
void waitForInput(InputQueue& queue);
// The same, giving up at `deadline`: false when nothing arrived by then.
bool waitForInputUntil(InputQueue& queue, std::chrono::steady_clock::time_point deadline);

// Takes one console line, logs it and dispatches it, sleeping until a line arrives;
// when input is a file and used up it dispatches "quit". Not while a search runs.
void readCommand(Engine& engine);
// Like readCommand, but returns after `timeoutMs` when no line has come.
void readCommandWithin(Engine& engine, int timeoutMs);
// printf-style line for the UCI debug log: written and flushed only while both
// FLAG_UCI and FLAG_DEBUG are set.
void debugLog(Engine& engine, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace velt
