// Runs the engine as a child process with piped standard input and output, for
// end-to-end tests: write lines, read output lines with a timeout, collect the exit
// code. The child is killed and reaped when the object goes away.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

struct EngineLaunch {
  std::string binary = VELT_BINARY;
  std::vector<std::string> arguments;  // after the program name
  std::string workingDirectory;        // empty: the test's own
  std::string stdinFile;               // empty: a pipe that send() writes to
};

class EngineProcess {
 public:
  explicit EngineProcess(const EngineLaunch& launch = {});
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Writes the line and a line feed; false when the engine no longer reads.
  bool send(const std::string& line);
  // Writes text exactly as given.
  bool sendRaw(const std::string& text);
  // Closes the engine's standard input (end of input).
  void closeInput();

  // The next output line without its line end; nothing on timeout or end of output.
  std::optional<std::string> readLine(int timeoutMs = 20000);
  // Reads lines until one starts with prefix and returns it; the lines read before
  // it are appended to *skipped when given. Nothing on timeout or end of output.
  std::optional<std::string> waitForLine(const std::string& prefix, int timeoutMs = 20000,
                                         std::vector<std::string>* skipped = nullptr);
  // Every remaining output line until the engine closes its output.
  std::vector<std::string> readAll(int timeoutMs = 60000);

  // Waits for the engine to end and returns its exit code (128 + signal when killed
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

// A fresh empty directory below the system's temporary directory, removed with all
// its files when the object goes away.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file in the directory and returns its path.
  std::string writeFile(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};
