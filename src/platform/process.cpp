// Child processes through fork, a pipe for the notes and waitpid. Windows and the
// browser have no fork; nothing there needs a child (their builds have no Syzygy
// library), so none is made.
#include "platform/process.h"

#include <cerrno>
#include <cstddef>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace velt {

namespace {

#ifdef _WIN32
long writeBytes(int channel, const char* bytes, std::size_t size) {
  return _write(channel, bytes, static_cast<unsigned>(size));
}
#else
long writeBytes(int channel, const char* bytes, std::size_t size) { return ::write(channel, bytes, size); }
#endif

}  // namespace

void sendNote(ChildNotes notes, std::string_view note) {
  std::string line(note);
  line += '\n';
  for (std::size_t sent = 0; sent < line.size();) {
    const long written = writeBytes(notes.channel, line.data() + sent, line.size() - sent);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    sent += static_cast<std::size_t>(written);
  }
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

ChildReport runInChild(ChildWork, void*, int) {
  ChildReport report;
  report.code = ENOSYS;
  return report;
}

#else

namespace {

// The exit code of a child whose work threw instead of returning.
constexpr int WORK_THREW = 125;
constexpr int NOTE_BUFFER = 256;

// In the child: its output goes nowhere, then the work runs and the child ends
// without the parent's exit handlers or buffered output.
[[noreturn]] void runChild(ChildWork work, void* context, int channel) {
  const int nowhere = ::open("/dev/null", O_WRONLY);
  if (nowhere >= 0) {
    ::dup2(nowhere, STDOUT_FILENO);
    ::dup2(nowhere, STDERR_FILENO);
  }
  int code = WORK_THREW;
  try {
    code = work(context, ChildNotes{channel});
  } catch (...) {
  }
  ::_exit(code);
}

// Reads the child's notes, keeping the last whole one, until the child closes the
// channel (true) or stays silent past the limit (false; so does a channel that cannot
// be watched, lest the wait for the child never end).
bool readNotes(int channel, int silenceLimitMs, std::string& lastNote) {
  std::string pending;
  char buffer[NOTE_BUFFER];
  pollfd waiting{channel, POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&waiting, 1, silenceLimitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const long count = ::read(channel, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count == 0) return true;
    if (count < 0) return false;
    pending.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      lastNote = pending.substr(0, end);
    }
  }
}

}  // namespace

ChildReport runInChild(ChildWork work, void* context, int silenceLimitMs) {
  ChildReport report;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    report.code = errno;
    return report;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    report.code = errno;
    ::close(ends[0]);
    ::close(ends[1]);
    return report;
  }
  if (child == 0) {
    ::close(ends[0]);
    runChild(work, context, ends[1]);
  }
  ::close(ends[1]);
  const bool ended = readNotes(ends[0], silenceLimitMs, report.lastNote);
  if (!ended) ::kill(child, SIGKILL);
  ::close(ends[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ended) {
    report.end = ChildEnd::HUNG;
  } else if (WIFSIGNALED(status)) {
    report.end = ChildEnd::CRASHED;
    report.code = WTERMSIG(status);
  } else {
    report.code = WEXITSTATUS(status);
    report.end = report.code == 0 ? ChildEnd::FINISHED : ChildEnd::FAILED;
  }
  return report;
}

#endif

}  // namespace velt
