#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "shell/app.h"
#include "shell/game_moves.h"

namespace velt {

void setFuzzOptions(EngineOptions& options) {
  options.ttIndexMask = FUZZ_TT_INDEX_MASK;
  options.bookPath[0] = '\0';
}

std::unique_ptr<Engine> makeFuzzEngine() {
  auto record = std::make_unique<Engine>();
  setFuzzOptions(record->options);
  record->out.capturing = true;
  if (!initApp(*record)) std::abort();
  takeCaptured(record->out);
  return record;
}

bool amongLegalMoves(Worker& pos, Move move) {
  Move moves[MAX_LEGAL_MOVES];
  const int count = collectLegalMoves(pos, moves);
  for (int i = 0; i < count; ++i) {
    if (moves[i] == move) return true;
  }
  return false;
}

std::string inputText(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size).c_str();
}

namespace {

struct ScratchDirectory {
  std::string path;
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velt-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~ScratchDirectory() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
};

void writeAll(std::FILE* file, const std::uint8_t* data, std::size_t size) {
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) std::abort();
}

}  // namespace

const std::string& fuzzDirectory() {
  static const ScratchDirectory directory;
  return directory.path;
}

InputFile::InputFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
  if (name.empty()) {
    path = fuzzDirectory() + "/input-XXXXXX";
    const int descriptor = mkstemp(path.data());
    if (descriptor < 0) std::abort();
    writeAll(fdopen(descriptor, "wb"), data, size);
  } else {
    path = fuzzDirectory() + "/" + name;
    writeAll(std::fopen(path.c_str(), "wb"), data, size);
  }
}

InputFile::~InputFile() { std::remove(path.c_str()); }

}  // namespace velt
