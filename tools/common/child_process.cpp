// A program run as a child process with piped standard input and output.
#include "common/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

void throwSystemError(const std::string& what) {
  throw std::runtime_error(what + " failed: " + std::strerror(errno));
}

int millisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ChildProcess::ChildProcess(const ProcessLaunch& launch) {
  // A write to a program that has ended must fail, not kill the caller.
  signal(SIGPIPE, SIG_IGN);

  int inputPipe[2] = {-1, -1};
  int outputPipe[2];
  if (launch.stdinFile.empty()) {
    if (pipe2(inputPipe, O_CLOEXEC) != 0) throwSystemError("pipe");
  } else {
    inputPipe[0] = open(launch.stdinFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (inputPipe[0] < 0) throwSystemError("open " + launch.stdinFile);
  }
  if (pipe2(outputPipe, O_CLOEXEC) != 0) throwSystemError("pipe");

  // Everything the child needs is prepared before fork: after it only
  // async-signal-safe calls are allowed.
  std::vector<char*> argv;
  if (!launch.launcher.empty()) argv.push_back(const_cast<char*>(launch.launcher.c_str()));
  argv.push_back(const_cast<char*>(launch.binary.c_str()));
  for (const std::string& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const char* directory = launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str();

  pid_ = fork();
  if (pid_ < 0) throwSystemError("fork");
  if (pid_ == 0) {
    if (dup2(inputPipe[0], STDIN_FILENO) < 0 || dup2(outputPipe[1], STDOUT_FILENO) < 0) _exit(126);
    if (directory != nullptr && chdir(directory) != 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(inputPipe[0]);
  close(outputPipe[1]);
  input_ = inputPipe[1];
  output_ = outputPipe[0];
}

ChildProcess::~ChildProcess() {
  closeInput();
  if (output_ >= 0) close(output_);
  if (pid_ > 0 && exitCode_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ChildProcess::sendRaw(const std::string& text) {
  if (input_ < 0) return false;
  std::size_t written = 0;
  while (written < text.size()) {
    // The program's output is read meanwhile: a program whose output pipe is full
    // stops reading its input, and a write that waits for it would wait forever.
    pollfd requests[2] = {{input_, POLLOUT, 0}, {output_, POLLIN, 0}};
    const nfds_t watched = output_ >= 0 ? 2 : 1;
    if (poll(requests, watched, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (watched == 2 && requests[1].revents != 0) readMore(0);
    if (requests[0].revents == 0) continue;
    // A write of at most PIPE_BUF bytes into a pipe that has room does not block.
    const std::size_t chunk = std::min<std::size_t>(text.size() - written, PIPE_BUF);
    const ssize_t count = write(input_, text.data() + written, chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

bool ChildProcess::send(const std::string& line) { return sendRaw(line + "\n"); }

void ChildProcess::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool ChildProcess::readMore(int timeoutMs) {
  if (output_ < 0) return false;
  pollfd request{output_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&request, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  char buffer[4096];
  ssize_t count;
  do {
    count = read(output_, buffer, sizeof buffer);
  } while (count < 0 && errno == EINTR);
  if (count <= 0) {
    close(output_);
    output_ = -1;
    return false;
  }
  pending_.append(buffer, static_cast<std::size_t>(count));
  return true;
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::size_t lineEnd = pending_.find('\n');
    if (lineEnd != std::string::npos) {
      std::string line = pending_.substr(0, lineEnd);
      pending_.erase(0, lineEnd + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (!readMore(millisecondsLeft(deadline))) {
      // A last line without line end still counts once the output has ended.
      if (output_ < 0 && !pending_.empty()) {
        std::string line;
        line.swap(pending_);
        return line;
      }
      return std::nullopt;
    }
  }
}

std::optional<std::string> ChildProcess::waitForLine(const std::string& prefix, int timeoutMs,
                                                      std::vector<std::string>* skipped) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::optional<std::string> line = readLine(millisecondsLeft(deadline))) {
    if (line->rfind(prefix, 0) == 0) return line;
    if (skipped != nullptr) skipped->push_back(*line);
  }
  return std::nullopt;
}

std::vector<std::string> ChildProcess::readAll(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<std::string> lines;
  while (std::optional<std::string> line = readLine(millisecondsLeft(deadline))) lines.push_back(*line);
  return lines;
}

int ChildProcess::waitForExit(int timeoutMs) {
  if (exitCode_ >= 0) return exitCode_;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    if (done < 0 && errno != EINTR) return -1;
    if (millisecondsLeft(deadline) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      exitCode_ = -1;
      pid_ = -1;
      return -1;
    }
    // Keep draining the output so that a program writing a lot can finish.
    if (!readMore(2)) usleep(2000);
  }
}
