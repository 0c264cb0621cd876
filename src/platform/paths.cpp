// Path lists and joins, and the running program's file.
#include "platform/paths.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velt {

namespace {

constexpr std::string_view BLANKS = " \t";

std::string_view listSeparators(PathStyle style) { return style == PathStyle::WINDOWS ? ";," : ";,:"; }

// "C:" alone names the current directory of drive C.
bool isBareDrive(std::string_view path, PathStyle style) {
  return style == PathStyle::WINDOWS && path.size() == 2 && path[1] == ':';
}

}  // namespace

bool isPathSeparator(char c, PathStyle style) { return c == '/' || (style == PathStyle::WINDOWS && c == '\\'); }

std::vector<std::string> splitPathList(std::string_view list, PathStyle style) {
  std::vector<std::string> directories;
  while (!list.empty()) {
    const std::size_t end = std::min(list.find_first_of(listSeparators(style)), list.size());
    std::string_view entry = list.substr(0, end);
    list.remove_prefix(std::min(end + 1, list.size()));
    const std::size_t first = entry.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) continue;
    directories.emplace_back(entry.substr(first, entry.find_last_not_of(BLANKS) - first + 1));
  }
  return directories;
}

std::string joinPathList(const std::vector<std::string>& directories, PathStyle style) {
  std::string list;
  for (const std::string& directory : directories) {
    if (!list.empty()) list += style == PathStyle::WINDOWS ? ';' : ':';
    list += directory;
  }
  return list;
}

std::string joinPath(std::string_view directory, std::string_view name, PathStyle style) {
  std::string path(directory);
  if (!path.empty() && !isPathSeparator(path.back(), style) && !isBareDrive(directory, style)) path += '/';
  path += name;
  return path;
}

std::string_view fileNamePart(std::string_view path, PathStyle style) {
  for (std::size_t at = path.size(); at > 0; --at) {
    if (isPathSeparator(path[at - 1], style) || isBareDrive(path.substr(0, at), style)) return path.substr(at);
  }
  return path;
}

std::filesystem::path runningProgramPath() {
#ifdef _WIN32
  // Long enough for any path Windows hands out.
  constexpr DWORD NAME_CAPACITY = 32768;
  std::wstring name(NAME_CAPACITY, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, name.data(), NAME_CAPACITY);
  if (length == 0 || length >= NAME_CAPACITY) return {};
  name.resize(length);
  return std::filesystem::path(name);
#else
  // Linux names it in /proc.
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program;
#endif
}

}  // namespace velt
