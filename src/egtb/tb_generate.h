// Tablebase generation by retrograde analysis: the distance to mate of every position
// of a class, stored in the file layout the engine reads. Captures and promotions
// lead into smaller classes, which must be present first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "egtb/tb_index.h"

namespace velt {

// The entries of the classes generated or loaded so far, by class and side to move
// (a symmetric class has only its side-0 entries).
struct TablebaseSet {
  std::vector<std::int8_t> entries[TB_CLASS_COUNT][2];
  bool present[TB_CLASS_COUNT] = {};
};

struct GenerationSummary {
  std::uint64_t won[2] = {}, drawn[2] = {}, lost[2] = {}, broken[2] = {};
  int longestWin[2] = {};  // moves, by side to move
  // Set when the index does not cover the class's moves (a fault of the index tables);
  // nothing is stored then.
  const char* fault = nullptr;
};

// Number of sides with a file: 1 for a symmetric class, else 2.
int tablebaseFileSides(int classNumber);
// The classes a capture or a promotion leads into ("kk" excluded).
std::vector<int> tablebaseSuccessorClasses(int classNumber);
// Generates a class; every successor class must be present in `set`. `progress`, when
// given, receives a line of text now and then.
GenerationSummary generateTablebase(int classNumber, TablebaseSet& set,
                                    void (*progress)(const char* line) = nullptr);
// Counts the entries of a class already in `set`.
GenerationSummary summarizeTablebase(int classNumber, const TablebaseSet& set);

// The file name of (class, side) in a directory.
std::string tablebaseFileName(const std::string& directory, int classNumber, int side);
// Writes the class's files through a temporary file each; false on any failure.
bool writeTablebaseFiles(const std::string& directory, int classNumber, const TablebaseSet& set);
// Loads the class's files when they exist with the right length.
bool loadTablebaseFiles(const std::string& directory, int classNumber, TablebaseSet& set);

}  // namespace velt
