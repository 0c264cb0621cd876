// The analysis file: a snapshot of the whole transposition table together with the
// position it belongs to, so that a long analysis survives a restart. A file belongs
// to one position and one table size and is never overwritten by another analysis.
//
// Layout: the position as FEN text (counters "0 1") and a zero byte; the entry count
// (u32); then one item per table entry in table order: the byte 0xFF for an entry not
// stored, or the entry's 8 bytes as they are in memory.
#pragma once

#include <cstdint>

namespace velt {

struct EngineCore;

enum class AnalysisFileStatus {
  Done,           // saved, or loaded as far as the file goes
  NoPath,         // no analysis file is set
  NoFile,         // nothing to load: the file is missing or cannot be read
  OtherAnalysis,  // the file holds another position or table size (or is no analysis file): left as it is
  WriteFailed,    // the new file could not be written completely; the old one is untouched
};

// Writes the table to options.analysisFilePath for the game position.
AnalysisFileStatus saveAnalysisFile(EngineCore& engine);
// Fills the table from options.analysisFilePath when the file belongs to the game
// position and the table size.
AnalysisFileStatus loadAnalysisFile(EngineCore& engine);
// Removes the file at options.analysisFilePath when it is an analysis file, of any
// position and table size; any other file there (a book chosen by mistake) is kept
// and OtherAnalysis returned.
AnalysisFileStatus deleteAnalysisFile(EngineCore& engine);

// The header is looked for in the first bytes of a file; a FEN text is far shorter.
constexpr int ANALYSIS_HEADER_READ_SIZE = 255;
struct AnalysisFileHeader {
  char fen[ANALYSIS_HEADER_READ_SIZE];
  std::uint32_t entryCount;
  const char* problem;  // why the file is no usable analysis file; nullptr when it is
};
// Reads and checks a file's header; false when the file cannot be opened. A usable
// header names a legal position, which becomes the game position, and a table size
// the engine can have; otherwise `problem` says what is wrong.
bool readAnalysisFileHeader(EngineCore& engine, const char* path, AnalysisFileHeader& header);

// The analysis search's hooks. At its start the file is loaded; it is saved after an
// iteration once 10 s have passed, within a long iteration every 300 s, and when the
// search ends after 10 s, so that the work since the last save is not lost.
enum class AnalysisSavePoint { WithinIteration, AfterIteration, SearchEnd };
void analysisSearchStarted(EngineCore& engine);
void analysisSavePoint(EngineCore& engine, AnalysisSavePoint point, std::uint32_t elapsedMs);

}  // namespace velt
