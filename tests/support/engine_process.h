// The engine under test as a child process (the shared ChildProcess), and temporary
// directories for the files a test hands it.
#pragma once

#include <string>
#include <vector>

#include "common/child_process.h"

namespace velt {

// Lines the engine wrote.
using Lines = std::vector<std::string>;

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

// Launch settings that start the engine built alongside the tests, in the caller's
// directory or in the given one (so that only its configuration file applies). The
// environment may name another engine, VELT_TEST_ENGINE, and the path of a program
// that runs it, VELT_TEST_LAUNCHER (how the suite tests the Windows build under Wine).
struct EngineLaunch : ProcessLaunch {
  EngineLaunch();
  explicit EngineLaunch(const TempDirectory& directory) : EngineLaunch() { workingDirectory = directory.path(); }
};

class EngineProcess : public ChildProcess {
 public:
  explicit EngineProcess(const EngineLaunch& launch = {}) : ChildProcess(launch) {}
};

}  // namespace velt
