// Standard input through the system's own calls.
#include "platform/standard_input.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
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
