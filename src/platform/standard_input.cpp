// Standard input through the system's own calls; in the browser, the lines the page
// posts to the engine's worker.
#include "platform/standard_input.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace velt {

#ifdef _WIN32

void useBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool standardInputIsFile() { return GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_DISK; }

long readStandardInput(char* buffer, std::size_t size) {
  // ReadFile serves pipes, files and consoles alike; a closed pipe reads as the end.
  DWORD count = 0;
  if (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, static_cast<DWORD>(size), &count, nullptr)) {
    return static_cast<long>(count);
  }
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

#elif defined(__EMSCRIPTEN__)

namespace {

// The text the page has sent and the engine has not read yet. It stands for the
// process's standard input, so there is one, like the system's.
struct PageInput {
  std::mutex lock;
  std::condition_variable arrived;
  std::string text;
};

PageInput& pageInput() {
  static PageInput input;
  return input;
}

}  // namespace

void useBinaryStandardStreams() {}

bool standardInputIsFile() { return false; }

long readStandardInput(char* buffer, std::size_t size) {
  PageInput& input = pageInput();
  std::unique_lock<std::mutex> guard(input.lock);
  input.arrived.wait(guard, [&input] { return !input.text.empty(); });
  const std::size_t count = std::min(size, input.text.size());
  std::memcpy(buffer, input.text.data(), count);
  input.text.erase(0, count);
  return static_cast<long>(count);
}

#else

void useBinaryStandardStreams() {}

bool standardInputIsFile() {
  struct stat status;
  return fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode);
}

long readStandardInput(char* buffer, std::size_t size) {
  ssize_t count;
  do {
    count = read(STDIN_FILENO, buffer, size);
  } while (count < 0 && errno == EINTR);
  return static_cast<long>(count);
}

#endif

}  // namespace velt

#ifdef __EMSCRIPTEN__
// Called by the worker's message handler with the text of one message (a line
// feed is added); never waits, so that it can run while the engine's thread works.
extern "C" EMSCRIPTEN_KEEPALIVE void velt_input(const char* text) {
  velt::PageInput& input = velt::pageInput();
  {
    std::lock_guard<std::mutex> guard(input.lock);
    input.text += text;
    input.text += '\n';
  }
  input.arrived.notify_one();
}
#endif
