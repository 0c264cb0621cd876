#include "support/engine_process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "egtb/syzygy.h"

namespace velt {

TempDirectory::TempDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velt-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(std::string("mkdtemp failed: ") + std::strerror(errno));
  path_ = pattern;
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

EngineLaunch::EngineLaunch() {
  const char* engine = std::getenv("VELT_TEST_ENGINE");
  binary = engine != nullptr && *engine != '\0' ? std::filesystem::absolute(engine).string() : VELT_BINARY;
  if (const char* program = std::getenv("VELT_TEST_LAUNCHER")) launcher = program;
}

std::string TempDirectory::writeFile(const std::string& name, const std::string& content) const {
  const std::string filePath = path_ + "/" + name;
  std::ofstream file(filePath, std::ios::binary);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + filePath);
  return filePath;
}

}  // namespace velt
