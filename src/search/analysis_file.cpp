// Saving, loading and checking the analysis file.
//
// The file is untrusted input: a header that does not name the current position and
// table size is neither loaded nor overwritten, a truncated body loads what it holds,
// and loaded entries have their unused bit cleared. A save writes a temporary file beside the
// target and renames it over the target only when every write succeeded, so a full
// disk or an interrupted save never destroys the stored analysis.
#include "search/analysis_file.h"


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "eval/move_step.h"
#include "platform/files.h"
#include "search/engine_core.h"
#include "search/engine_options.h"
#include "search/node_table.h"
#include "search/search.h"
#include "search/tt.h"
#include "search/worker.h"

namespace velt {

namespace {

constexpr std::size_t COUNT_SIZE = sizeof(std::uint32_t);
constexpr std::size_t ENTRY_SIZE = sizeof(TTEntry);
constexpr std::size_t CHUNK_SIZE = 131072;
// A chunk is written out once it could not take another whole item.
constexpr std::size_t CHUNK_FLUSH_AT = CHUNK_SIZE - 10;
constexpr unsigned char SKIPPED_ITEM = 0xFF;
// Entry counts of the table sizes the engine can have (8 MB to 1024 MB).
constexpr std::uint32_t MIN_FILE_ENTRIES = 1u << 20;
constexpr std::uint32_t MAX_FILE_ENTRIES = 1u << 27;
constexpr std::uint32_t ITERATION_SAVE_MS = 10000;
constexpr std::uint32_t LONG_ITERATION_SAVE_MS = 300000;

enum class HeaderStatus { Ok, Empty, Short, NoPosition };

struct FileHeader {
  char fen[ANALYSIS_HEADER_READ_SIZE];
  std::uint32_t entryCount;
  long bodyOffset;
};

std::uint32_t tableEntries(const EngineCore& engine) { return engine.tt.mask + 4; }

void currentFen(const EngineCore& engine, char* fen) { positionToFen(engine.gamePosition, fen, FenCounters::Zero); }

HeaderStatus readHeader(std::FILE* file, FileHeader& header) {
  unsigned char bytes[ANALYSIS_HEADER_READ_SIZE];
  const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
  if (got == 0) return HeaderStatus::Empty;
  const auto* end = static_cast<const unsigned char*>(std::memchr(bytes, 0, got));
  if (end == nullptr) return HeaderStatus::NoPosition;
  const std::size_t length = static_cast<std::size_t>(end - bytes);
  if (length + 1 + COUNT_SIZE > got) return HeaderStatus::Short;
  std::memcpy(header.fen, bytes, length + 1);
  std::memcpy(&header.entryCount, bytes + length + 1, COUNT_SIZE);
  header.bodyOffset = static_cast<long>(length + 1 + COUNT_SIZE);
  return HeaderStatus::Ok;
}

// Entry counts of the table sizes the engine can have.
bool isTableSize(std::uint32_t count) {
  return count >= MIN_FILE_ENTRIES && count <= MAX_FILE_ENTRIES && (count & (count - 1)) == 0;
}

bool headerMatches(const FileHeader& header, const char* fen, std::uint32_t entries) {
  return std::strcmp(header.fen, fen) == 0 && header.entryCount == entries;
}

// Whether the existing file at path may be replaced: only by the analysis of its own
// position and table size. A file that exists but cannot be read is kept.
bool mayOverwrite(const char* path, const char* fen, std::uint32_t entries) {
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  if (error) return false;
  if (!exists) return true;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  FileHeader header;
  const bool matches = readHeader(file, header) == HeaderStatus::Ok && headerMatches(header, fen, entries);
  std::fclose(file);
  return matches;
}

void appendBytes(std::vector<unsigned char>& buffer, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  buffer.insert(buffer.end(), bytes, bytes + size);
}

bool writeOut(std::vector<unsigned char>& buffer, std::FILE* file) {
  const bool written = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
  buffer.clear();
  return written;
}

// Header and items. An entry shallower than the minimum depth becomes a skip byte; so
// does one whose first byte is the skip byte itself (depth 127 with an odd from
// square), which a reader could not tell apart.
bool writeTable(EngineCore& engine, std::FILE* file, const char* fen) {
  std::vector<unsigned char> buffer;
  buffer.reserve(CHUNK_SIZE);
  const std::uint32_t count = tableEntries(engine);
  appendBytes(buffer, fen, std::strlen(fen) + 1);
  appendBytes(buffer, &count, COUNT_SIZE);
  for (std::uint32_t index = 0; index < count; ++index) {
    const TTEntry entry = ttSnapshot(engine.tt, index);
    unsigned char bytes[ENTRY_SIZE];
    std::memcpy(bytes, &entry, ENTRY_SIZE);
    const int depth = static_cast<int>(entry.word0() & TT_DEPTH_MASK);
    if (depth < engine.options.analysisMinDepth || bytes[0] == SKIPPED_ITEM) {
      buffer.push_back(SKIPPED_ITEM);
    } else {
      appendBytes(buffer, bytes, ENTRY_SIZE);
    }
    if (buffer.size() > CHUNK_FLUSH_AT && !writeOut(buffer, file)) return false;
  }
  return writeOut(buffer, file);
}

// Writes the file beside the target and renames it over the target only when every
// write, the flush to the disk and the close succeeded.
bool writeReplacing(EngineCore& engine, const char* path, const char* fen) {
  const std::string temporary = std::string(path) + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = writeTable(engine, file, fen);
  ok = flushToDisk(file) && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok && replaceFile(temporary.c_str(), path)) return true;
  std::remove(temporary.c_str());
  return false;
}

// Walks the table from entry 0 through the items after the header. An item cut by the
// end of a chunk is completed by the next read; one cut by the end of the file is
// dropped, and whatever follows the last entry is ignored.
void readItems(EngineCore& engine, std::FILE* file) {
  std::vector<unsigned char> buffer(CHUNK_SIZE);
  const std::uint32_t count = tableEntries(engine);
  std::uint32_t index = 0;
  std::size_t held = 0;
  while (index < count) {
    const std::size_t got = std::fread(buffer.data() + held, 1, CHUNK_SIZE - held, file);
    if (got == 0) return;
    held += got;
    std::size_t at = 0;
    while (index < count && at < held) {
      if (buffer[at] == SKIPPED_ITEM) {
        ++at;
        ++index;
        continue;
      }
      if (held - at < ENTRY_SIZE) break;
      TTEntry entry;
      std::memcpy(&entry, buffer.data() + at, ENTRY_SIZE);
      ttRestore(engine.tt, index++, entry);
      at += ENTRY_SIZE;
    }
    std::memmove(buffer.data(), buffer.data() + at, held - at);
    held -= at;
  }
}

// Why a header cannot be used, or nullptr when it can; a usable header also sets the
// game position up.
const char* headerProblem(EngineCore& engine, HeaderStatus status, const FileHeader& header) {
  switch (status) {
    case HeaderStatus::Empty:
      return "empty";
    case HeaderStatus::Short:
      return "too short";
    case HeaderStatus::NoPosition:
      return "no position at its start";
    case HeaderStatus::Ok:
      break;
  }
  if (!isTableSize(header.entryCount)) return "unknown table size";
  if (!parseFen(engine.gamePosition, header.fen)) return "illegal position";
  return nullptr;
}

// The line of the last completed iteration, entered again along its moves as exact
// entries. The unfinished iteration may have stored bounds for these very positions
// (a root window that failed, a search stopped on its way), and a viewer of the file
// would then find no line at all.
void storeCompletedLine(EngineCore& engine) {
  const RootState& root = engine.root;
  if (root.completedDepth <= ONE_PLY) return;
  const auto copy = std::make_unique<Worker>(engine.gamePosition);
  Worker& pos = *copy;
  int score = root.completedScore;
  int depth = root.completedDepth;
  for (int i = 0; root.completedLine[i] != MOVE_NONE && root.completedLine[i + 1] != MOVE_NONE; ++i) {
    if (depth <= ONE_PLY || !makeMove(pos, root.completedLine[i], -MATE_SCORE, MATE_SCORE)) return;
    score = -score;
    depth -= ONE_PLY;
    ttStoreExactClipped(engine.tt, pos.hashKey, tableDepth(depth), moveFromTo(root.completedLine[i + 1]), score);
  }
}

}  // namespace

AnalysisFileStatus saveAnalysisFile(EngineCore& engine) {
  const char* path = engine.options.analysisFilePath;
  if (*path == '\0') return AnalysisFileStatus::NoPath;
  char fen[FEN_TEXT_SIZE];
  currentFen(engine, fen);
  if (!mayOverwrite(path, fen, tableEntries(engine))) return AnalysisFileStatus::OtherAnalysis;
  storeCompletedLine(engine);
  return writeReplacing(engine, path, fen) ? AnalysisFileStatus::Done : AnalysisFileStatus::WriteFailed;
}

AnalysisFileStatus loadAnalysisFile(EngineCore& engine) {
  const char* path = engine.options.analysisFilePath;
  if (*path == '\0') return AnalysisFileStatus::NoPath;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return AnalysisFileStatus::NoFile;
  char fen[FEN_TEXT_SIZE];
  currentFen(engine, fen);
  FileHeader header;
  const bool matches = readHeader(file, header) == HeaderStatus::Ok &&
                       headerMatches(header, fen, tableEntries(engine)) &&
                       std::fseek(file, header.bodyOffset, SEEK_SET) == 0;
  if (matches) readItems(engine, file);
  std::fclose(file);
  return matches ? AnalysisFileStatus::Done : AnalysisFileStatus::OtherAnalysis;
}

AnalysisFileStatus deleteAnalysisFile(EngineCore& engine) {
  const char* path = engine.options.analysisFilePath;
  if (*path == '\0') return AnalysisFileStatus::NoPath;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return AnalysisFileStatus::NoFile;
  FileHeader header;
  const bool isAnalysis =
      readHeader(file, header) == HeaderStatus::Ok && header.fen[0] != '\0' && isTableSize(header.entryCount);
  std::fclose(file);
  if (!isAnalysis) return AnalysisFileStatus::OtherAnalysis;
  return std::remove(path) == 0 ? AnalysisFileStatus::Done : AnalysisFileStatus::NoFile;
}

bool readAnalysisFileHeader(EngineCore& engine, const char* path, AnalysisFileHeader& checked) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  FileHeader header;
  const HeaderStatus status = readHeader(file, header);
  std::fclose(file);
  checked.problem = headerProblem(engine, status, header);
  if (checked.problem == nullptr) {
    std::memcpy(checked.fen, header.fen, sizeof checked.fen);
    checked.entryCount = header.entryCount;
  }
  return true;
}

void analysisSearchStarted(EngineCore& engine) {
  engine.root.lastSaveMs = 0;
  loadAnalysisFile(engine);
}

void analysisSavePoint(EngineCore& engine, AnalysisSavePoint point, std::uint32_t elapsedMs) {
  const bool due = point == AnalysisSavePoint::WithinIteration
                       ? elapsedMs - engine.root.lastSaveMs > LONG_ITERATION_SAVE_MS
                       : elapsedMs > ITERATION_SAVE_MS;
  if (!due) return;
  engine.root.lastSaveMs = elapsedMs;
  saveAnalysisFile(engine);
}

}  // namespace velt
