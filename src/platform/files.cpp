// Flushing to the disk and replacing files.
#include "platform/files.h"

#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace velt {

bool flushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return ::fsync(::fileno(file)) == 0;
#endif
}

bool replaceFile(const char* from, const char* to) {
#ifdef _WIN32
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

std::string makePrivateFolder(const char* prefix) {
  // Making a folder fails when the name is taken, so the first name made is unique.
  constexpr int NAME_TRIES = 100;
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return "";
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int i = 0; i < NAME_TRIES; ++i) {
    const std::filesystem::path folder = base / (prefix + std::to_string(random() % 1000000000));
    if (std::filesystem::create_directory(folder, error)) return folder.string();
    if (error) return "";
  }
  return "";
}

}  // namespace velt
