// The command reader thread and its hand-over with the game loop.
#include "shell/command_reader.h"

#include <chrono>
#include <cinttypes>
#include <mutex>
#include <thread>

#include "search/clock.h"
#include "search/search_state.h"
#include "shell/dispatch.h"
#include "shell/engine.h"
#include "shell/input.h"

namespace velt {

namespace {

// How soon the reader looks again whether the search now takes the line that waits.
constexpr auto TAKE_RECHECK = std::chrono::milliseconds(1);

// The search's stop flag as a command sets it: only over no stop, so that neither a
// stop the search set itself nor an unfinished ponder hit is lost.
void requestStop(Engine& engine, int stop) {
  int none = STOP_NONE;
  engine.search.stopState.compare_exchange_strong(none, stop);
}

// Handles the lines that have come while the search runs, holding the hand-over lock;
// true when a line waits for the search to take commands.
bool takeSearchLines(Engine& engine) {
  InputQueue& queue = *engine.input;
  for (;;) {
    const char* text = getInputLine(engine);
    // A used-up command file ends an analysis or ponder search like "quit".
    if (text == nullptr && engine.inputIsFile && (engine.search.analysisMode || engine.search.pondering)) text = "quit";
    if (text == nullptr) return false;
    const std::string line = text;
    if (!engine.search.takesCommands || engine.search.stopState != STOP_NONE) {
      putBackLine(queue, line);
      return true;
    }
    debugLog(engine, "(%" PRIu32 ") < %s\n", currentTimeMs(), line.c_str());
    if (answerAtOnce(engine, line.c_str(), !queue.heldLines.empty())) continue;
    const SearchEffect effect = searchEffect(engine, line.c_str());
    if (effect.stop == STOP_PONDER_HIT) engine.search.ponderHitMs.store(currentTimeMs(), std::memory_order_relaxed);
    if (effect.stop != STOP_NONE) requestStop(engine, effect.stop);
    if (!effect.stopOnly) queue.heldLines.push_back(line);
  }
}

void runCommandReader(Engine& engine) {
  InputQueue& queue = *engine.input;
  for (;;) {
    bool lineWaits = false;
    {
      std::lock_guard<std::mutex> handoff(queue.handoff);
      if (queue.searchRunning) lineWaits = takeSearchLines(engine);
    }
    std::unique_lock<std::mutex> guard(queue.signalMutex);
    const auto woken = [&queue] { return queue.readerWake || queue.closing; };
    if (lineWaits) {
      queue.readerSignal.wait_for(guard, TAKE_RECHECK, woken);
    } else {
      queue.readerSignal.wait(guard, woken);
    }
    if (queue.closing) return;
    queue.readerWake = false;
  }
}

void wakeReader(InputQueue& queue) {
  {
    std::lock_guard<std::mutex> guard(queue.signalMutex);
    queue.readerWake = true;
  }
  queue.readerSignal.notify_one();
}

}  // namespace

void startCommandReader(Engine& engine) {
  engine.commandReader = std::thread(runCommandReader, std::ref(engine));
}

void stopCommandReader(Engine& engine) {
  if (!engine.commandReader.joinable()) return;
  InputQueue& queue = *engine.input;
  {
    std::lock_guard<std::mutex> guard(queue.signalMutex);
    queue.closing = true;
  }
  queue.readerSignal.notify_one();
  engine.commandReader.join();
}

void beginSearchCommands(Engine& engine) {
  InputQueue& queue = *engine.input;
  {
    std::lock_guard<std::mutex> handoff(queue.handoff);
    queue.searchRunning = true;
  }
  wakeReader(queue);
}

std::vector<std::string> endSearchCommands(Engine& engine) {
  InputQueue& queue = *engine.input;
  std::vector<std::string> held;
  {
    std::lock_guard<std::mutex> handoff(queue.handoff);
    queue.searchRunning = false;
    held.swap(queue.heldLines);
  }
  engine.search.takesCommands = false;
  return held;
}

}  // namespace velt
