// The "/AI" command-line mode: what an analysis file holds.
#pragma once

namespace velt {

// Shows the table size, the position and the five best analysed moves of the file
// (the tables must be set up); the table takes the file's size.
void showAnalysisFile(const char* path);

}  // namespace velt
