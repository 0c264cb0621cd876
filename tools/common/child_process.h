// A program run as a child process with piped standard input and output, for the
// game driver and the end-to-end tests: write lines, read output lines with a
// timeout, collect the exit code. The child is killed and reaped when the object
// goes away.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

struct ProcessLaunch {
  std::string binary;
  std::vector<std::string> arguments;  // after the program name
  std::string workingDirectory;        // empty: the caller's own
  std::string stdinFile;               // empty: a pipe that send() writes to
  std::string launcher;                // empty, or the path of a program that runs binary (wine)
};

class ChildProcess {
 public:
  // Starts the program; throws std::runtime_error when it cannot be started.
  explicit ChildProcess(const ProcessLaunch& launch);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes the line and a line feed; false when the program no longer reads.
  bool send(const std::string& line);
  // Writes text exactly as given.
  bool sendRaw(const std::string& text);
  // Closes the program's standard input (end of input).
  void closeInput();

  // The next output line without its line end; nothing on timeout or end of output.
  std::optional<std::string> readLine(int timeoutMs = 20000);
  // Reads lines until one starts with prefix and returns it; the lines read before
  // it are appended to *skipped when given. Nothing on timeout or end of output.
  std::optional<std::string> waitForLine(const std::string& prefix, int timeoutMs = 20000,
                                         std::vector<std::string>* skipped = nullptr);
  // Every remaining output line until the program closes its output.
  std::vector<std::string> readAll(int timeoutMs = 60000);
  // Whether the program has closed its output.
  bool outputEnded() const { return output_ < 0; }

  // Waits for the program to end and returns its exit code (128 + signal when killed
  // by a signal); -1 when it is still running after the timeout (it is then killed).
  int waitForExit(int timeoutMs = 20000);

 private:
  // Fills pending_ with more output; false on timeout or end of output.
  bool readMore(int timeoutMs);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;
  int exitCode_ = -1;
};
