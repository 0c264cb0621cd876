// The "/AI" command-line mode: what an analysis file holds.
#pragma once

namespace velt {

struct Engine;

// Shows the table size, the position and the five best analysed moves of the file
// (the tables must be set up); the table takes the file's size.
void showAnalysisFile(Engine& engine, const char* path);

}  // namespace velt
