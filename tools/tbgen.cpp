// Tablebase generator: writes the ".nbw"/".nbb" files of the classes asked for, and
// first those of every smaller class they lead into that the directory lacks.
//
//   tbgen [-d DIRECTORY] CLASS...
//
// CLASS is a class name ("krpkr") or 3, 4 or 5 for every class of that many men.
// Files already in the directory are loaded, not made again.
#include <chrono>
#include <cinttypes>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "egtb/tb_generate.h"

using namespace velt;

namespace {

struct Made {
  int classNumber;
  double seconds;     // processor time
  double wallSeconds;
  std::uint64_t bytes;
  GenerationSummary summary;
};

void printLine(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

int menOf(int classNumber) {
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  return 2 + info.menCount[0] + info.menCount[1];
}

bool ensure(int classNumber, const std::string& directory, TablebaseSet& set, std::vector<Made>& made) {
  if (set.present[classNumber] || loadTablebaseFiles(directory, classNumber, set)) return true;
  for (int successor : tablebaseSuccessorClasses(classNumber))
    if (!ensure(successor, directory, set, made)) return false;
  std::printf("generating %s\n", tablebaseClass(classNumber).name);
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  const GenerationSummary summary = generateTablebase(classNumber, set, printLine);
  if (summary.fault != nullptr) {
    std::printf("tbgen: %s: %s\n", tablebaseClass(classNumber).name, summary.fault);
    return false;
  }
  if (!writeTablebaseFiles(directory, classNumber, set)) {
    std::printf("tbgen: cannot write the files of %s in %s\n", tablebaseClass(classNumber).name, directory.c_str());
    return false;
  }
  const double seconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::uint64_t bytes = 0;
  for (int side = 0; side < tablebaseFileSides(classNumber); ++side) bytes += set.entries[classNumber][side].size();
  made.push_back({classNumber, seconds, wallSeconds, bytes, summary});
  std::printf("  %s done in %.1f s (%.1f s processor time)\n", tablebaseClass(classNumber).name, wallSeconds, seconds);
  return true;
}

void printReport(const std::vector<Made>& made) {
  std::printf("\n%-7s %8s %8s %11s  %-6s %9s %9s %9s %8s  %s\n", "class", "cpu s", "wall s", "bytes", "to move", "won",
              "drawn", "lost", "broken", "longest mate");
  for (const Made& m : made) {
    for (int side = 0; side < tablebaseFileSides(m.classNumber); ++side) {
      const GenerationSummary& s = m.summary;
      if (side == 0)
        std::printf("%-7s %8.2f %8.2f %11" PRIu64 "  ", tablebaseClass(m.classNumber).name, m.seconds, m.wallSeconds,
                    m.bytes);
      else
        std::printf("%-7s %8s %8s %11s  ", "", "", "", "");
      std::printf("%-6s %9" PRIu64 " %9" PRIu64 " %9" PRIu64 " %8" PRIu64 "  %d\n", side ? "black" : "white",
                  s.won[side], s.drawn[side], s.lost[side], s.broken[side], s.longestWin[side]);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  initTablebaseIndex();
  std::string directory = ".";
  std::vector<int> wanted;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc) {
      directory = argv[++i];
    } else if (std::strlen(argv[i]) == 1 && argv[i][0] >= '3' && argv[i][0] <= '5') {
      for (int c = 1; c < TB_CLASS_COUNT; ++c)
        if (menOf(c) == argv[i][0] - '0') wanted.push_back(c);
    } else if (int c = tablebaseClassByName(argv[i]); c > 0) {
      wanted.push_back(c);
    } else {
      std::printf("tbgen: unknown class %s\nusage: tbgen [-d DIRECTORY] CLASS... (a name such as krpkr, or 3, 4 or 5)\n",
                  argv[i]);
      return 1;
    }
  }
  if (wanted.empty()) {
    std::printf("usage: tbgen [-d DIRECTORY] CLASS... (a name such as krpkr, or 3, 4 or 5)\n");
    return 1;
  }
  TablebaseSet set;
  std::vector<Made> made;
  const auto start = std::chrono::steady_clock::now();
  for (int c : wanted)
    if (!ensure(c, directory, set, made)) return 1;
  printReport(made);
  std::printf("total %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
