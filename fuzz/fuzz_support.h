// What the fuzz targets share: an engine record of their own with small tables and
// captured output, and the input written to a file for the readers that take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/engine.h"

namespace velt {

// A transposition table of 1 Mi entries (8 MB): the smallest an analysis file holds,
// and small enough to clear often.
constexpr std::uint32_t FUZZ_TT_INDEX_MASK = (1u << 20) - 4;

// Where the targets' engines differ from the defaults: that table, and no book.
void setFuzzOptions(EngineOptions& options);

// An engine with its tables set up, capturing its output, with no book: what the
// targets drive. The process aborts when the tables cannot be had.
std::unique_ptr<Engine> makeFuzzEngine();

// Whether the move is one of the legal moves of the position at its current ply.
bool amongLegalMoves(Worker& pos, Move move);

// The input up to its first zero byte, as text.
std::string inputText(const std::uint8_t* data, std::size_t size);

// A directory of this process's own below the system's temporary directory, made on
// first use and removed when the process ends.
const std::string& fuzzDirectory();

// The input written to a file in fuzzDirectory(), under the name given or a new one;
// removed when this ends.
struct InputFile {
  std::string path;
  InputFile(const std::uint8_t* data, std::size_t size, const std::string& name = "");
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
};

}  // namespace velt
