// File paths as the options name them: lists of directories, joining a directory and
// a file name, and the running program's own file. Windows paths may use "\" or "/"
// and begin with a drive letter ("C:\tb", "D:/books"); the rules of either system can
// be asked for on both (the tests check the Windows rules on Linux).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

enum class PathStyle { POSIX, WINDOWS };
#ifdef _WIN32
constexpr PathStyle NATIVE_PATH_STYLE = PathStyle::WINDOWS;
#else
constexpr PathStyle NATIVE_PATH_STYLE = PathStyle::POSIX;
#endif

// Whether c separates the parts of a path: "/" everywhere, "\" too on Windows.
bool isPathSeparator(char c, PathStyle style = NATIVE_PATH_STYLE);
// The directories of a list such as NalimovPath: separated by ";" or ",", on POSIX
// systems also by ":" (on Windows a colon belongs to a drive letter). Blanks around
// an entry are dropped, and so are empty entries.
std::vector<std::string> splitPathList(std::string_view list, PathStyle style = NATIVE_PATH_STYLE);
// Directories (entries of splitPathList, so holding no separator) joined into one list
// with the system's own separator, ";" on Windows and ":" elsewhere, as libraries that
// take a list of folders read it.
std::string joinPathList(const std::vector<std::string>& directories, PathStyle style = NATIVE_PATH_STYLE);
// `name` inside `directory`: a "/" between them unless the directory already ends in
// a separator (or, on Windows, is a bare drive such as "C:"); an empty directory
// leaves the name as it is.
std::string joinPath(std::string_view directory, std::string_view name, PathStyle style = NATIVE_PATH_STYLE);
// The last part of a path: what follows the last separator (or a drive's colon).
std::string_view fileNamePart(std::string_view path, PathStyle style = NATIVE_PATH_STYLE);
// The file of the running program; empty when the system does not tell.
std::filesystem::path runningProgramPath();

}  // namespace velt
