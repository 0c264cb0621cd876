// Console input queue, reader thread and the debug log.
#include "shell/input.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/standard_input.h"
#include "search/clock.h"
#include "search/search_state.h"
#include "shell/command_reader.h"
#include "shell/dispatch.h"
#include "shell/engine.h"
#include "shell/game_state.h"
#include "shell/options.h"

namespace velt {

namespace {

// Holds the queue's spin lock for one operation.
struct InputLockGuard {
  explicit InputLockGuard(InputQueue& queue) : lock(queue.lock) {
    while (lock.exchange(1, std::memory_order_acquire) != 0) {
      while (lock.load(std::memory_order_relaxed) != 0) std::this_thread::yield();
    }
  }
  ~InputLockGuard() { lock.store(0, std::memory_order_release); }
  std::atomic<int>& lock;
};

// Whether a line "quit" ends at or after `from` (a line starts at the beginning of
// the text, since only whole lines are ever taken, or after a line feed).
bool holdsQuitLine(const std::string& text, std::size_t from) {
  for (std::size_t at = text.find("quit", from); at != std::string::npos; at = text.find("quit", at + 1)) {
    const bool lineStart = at == 0 || text[at - 1] == '\n';
    const bool lineEnd = at + 4 < text.size() && (text[at + 4] == '\n' || text[at + 4] == '\r');
    if (lineStart && lineEnd) return true;
  }
  return false;
}

// Wakes a main thread waiting in waitForInput and the command reader.
void signalInput(InputQueue& queue) {
  {
    std::lock_guard<std::mutex> guard(queue.signalMutex);
    queue.signalled = true;
    queue.readerWake = true;
  }
  queue.signal.notify_one();
  queue.readerSignal.notify_one();
}

bool isBacklogged(InputQueue& queue) {
  InputLockGuard guard(queue);
  const std::size_t unread = queue.text.size() - queue.head;
  return unread >= INPUT_BACKLOG_LIMIT && std::memchr(queue.text.data() + queue.head, '\n', unread) != nullptr;
}

}  // namespace

bool appendInput(InputQueue& queue, const char* data, std::size_t size) {
  bool quitSeen;
  {
    InputLockGuard guard(queue);
    if (queue.head > 0) {
      queue.text.erase(0, queue.head);
      queue.head = 0;
    }
    const std::size_t oldSize = queue.text.size();
    queue.text.append(data, size);
    // "quit" may have arrived in the previous chunk with its line end in this one.
    quitSeen = holdsQuitLine(queue.text, oldSize >= 4 ? oldSize - 4 : 0);
  }
  signalInput(queue);
  return !quitSeen;
}

void endInput(InputQueue& queue, bool addQuit) {
  {
    InputLockGuard guard(queue);
    if (queue.text.size() > queue.head && queue.text.back() != '\n') queue.text += '\n';
    if (addQuit) queue.text += "quit\n";
    queue.ended = true;
  }
  signalInput(queue);
}

void waitForInput(InputQueue& queue) {
  std::unique_lock<std::mutex> guard(queue.signalMutex);
  queue.signal.wait(guard, [&queue] { return queue.signalled; });
  queue.signalled = false;
}

bool waitForInputUntil(InputQueue& queue, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> guard(queue.signalMutex);
  if (!queue.signal.wait_until(guard, deadline, [&queue] { return queue.signalled; })) return false;
  queue.signalled = false;
  return true;
}

const char* takeLine(InputQueue& queue) {
  InputLockGuard guard(queue);
  if (queue.hasPutBack) {
    queue.hasPutBack = false;
    queue.line.swap(queue.putBack);
    return queue.line.c_str();
  }
  const char* start = queue.text.data() + queue.head;
  const char* lineFeed = static_cast<const char*>(std::memchr(start, '\n', queue.text.size() - queue.head));
  if (lineFeed == nullptr) return nullptr;
  std::size_t length = static_cast<std::size_t>(lineFeed - start);
  queue.head += length + 1;
  if (length > 0 && start[length - 1] == '\r') --length;
  queue.line.assign(start, length);
  if (queue.head == queue.text.size()) {
    queue.text.clear();
    queue.head = 0;
  }
  return queue.line.c_str();
}

void putBackLine(InputQueue& queue, const std::string& line) {
  InputLockGuard guard(queue);
  queue.putBack = line;
  queue.hasPutBack = true;
}

bool readChunk(InputQueue& queue, bool addQuitAtEnd) {
  char chunk[INPUT_CHUNK_SIZE];
  const long count = readStandardInput(chunk, sizeof chunk);
  if (count <= 0) {
    endInput(queue, addQuitAtEnd);
    return false;
  }
  while (isBacklogged(queue)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!appendInput(queue, chunk, static_cast<std::size_t>(count))) {
    endInput(queue, addQuitAtEnd);
    return false;
  }
  return true;
}

void readInputLoop(InputQueue& queue) {
  while (readChunk(queue, true)) {
  }
}

const char* takeLineFromFile(InputQueue& queue) {
  // Only the calling thread touches a file-backed queue, so `ended` needs no lock.
  const char* line = takeLine(queue);
  while (line == nullptr && !queue.ended) {
    readChunk(queue, false);
    line = takeLine(queue);
  }
  return line;
}

void initInput(Engine& engine) {
  engine.inputIsFile = standardInputIsFile();
  if (engine.inputIsFile) {
    engine.engineFlags |= FLAG_INPUT_IS_FILE;
  } else {
    // Detached, and owning its queue: it may still be blocked reading as the program ends.
    std::thread([queue = engine.input] { readInputLoop(*queue); }).detach();
  }
  startCommandReader(engine);
}

const char* getInputLine(Engine& engine) {
  return engine.inputIsFile ? takeLineFromFile(*engine.input) : takeLine(*engine.input);
}

namespace {

// Takes and dispatches one console line, waiting for it up to `waitMs` (forever when
// negative).
void takeCommand(Engine& engine, int waitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    if (const char* line = getInputLine(engine)) {
      debugLog(engine, "(%" PRIu32 ") < %s\n", currentTimeMs(), line);
      dispatchCommand(engine, line);
      return;
    }
    // A command file that is used up ends the engine like "quit".
    if (engine.inputIsFile) {
      dispatchCommand(engine, "quit");
      return;
    }
    if (waitMs < 0) {
      waitForInput(*engine.input);
    } else if (!waitForInputUntil(*engine.input, deadline)) {
      return;
    }
  }
}

}  // namespace

void readCommand(Engine& engine) { takeCommand(engine, -1); }

void readCommandWithin(Engine& engine, int timeoutMs) { takeCommand(engine, std::max(timeoutMs, 1)); }

void debugLog(Engine& engine, const char* format, ...) {
  if ((engine.engineFlags & FLAG_UCI) == 0 || (engine.engineFlags & FLAG_DEBUG) == 0) return;
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  write(engine.out, text);
}


}  // namespace velt
