// libFuzzer target of the tablebase files' registration: the input, after its first
// byte, is written under one of the names a tablebase file may have (plain or one of
// the compressed forms, of a few classes and both sides to move), the directory is
// registered, and when the file was taken some of its entries are read through the
// block cache. The first byte picks the name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "egtb/tb_probe.h"
#include "fuzz_support.h"

using namespace velt;

namespace {

constexpr const char* CLASS_NAMES[] = {"knk", "kbk", "kqk", "krk", "kpk", "kqkr"};
constexpr int CLASS_CHOICES = sizeof CLASS_NAMES / sizeof CLASS_NAMES[0];
constexpr int NAME_FORMS = 4;  // plain, then the three compressed forms
constexpr int CACHE_ENTRIES = 4;
constexpr std::size_t INDEX_BYTES = 4;  // input bytes per entry index read

std::string fileName(const std::string& className, bool blackToMove, int form) {
  const std::string suffix = blackToMove ? "nbb" : "nbw";
  switch (form) {
    case 0: return className + "." + suffix;
    case 1: return className + "." + suffix + ".emd";
    case 2: return className + "_" + suffix + ".emd";
    default: return className + suffix + ".emd";
  }
}

// A fault can only be the input's: the directory holds nothing else.
void checkFault(void*, TablebaseFault, const std::string& fileName, const std::string&) {
  if (fileName.rfind(fuzzDirectory(), 0) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto tablebases = std::make_unique<Tablebases>();
  static std::vector<unsigned char> cacheArea(CACHE_ENTRIES * TB_CACHE_ENTRY_BYTES);
  if (size == 0) return 0;
  const int choice = data[0];
  const int classNumber = tablebaseClassByName(CLASS_NAMES[choice % CLASS_CHOICES]);
  if (classNumber < 0) std::abort();
  const TablebaseClassInfo& info = tablebaseClass(classNumber);
  const int side = (info.flags & TB_SYMMETRIC) ? 0 : choice / CLASS_CHOICES % 2;
  const std::string name = fileName(info.name, side == 1, choice / CLASS_CHOICES / 2 % NAME_FORMS);

  const InputFile file(data + 1, size - 1, name);
  setTablebaseFaultHook(*tablebases, TablebaseFaultHook{nullptr, checkFault});
  const int largest = initTablebases(*tablebases, fuzzDirectory().c_str());
  initTablebaseCache(*tablebases, cacheArea.data(), cacheArea.size());
  const bool registered = tablebaseRegistered(*tablebases, classNumber, side);
  if (registered != (largest > 0)) std::abort();
  if (!registered) return 0;
  const std::uint32_t positions = info.positionCount[side];
  std::vector<std::uint32_t> indexes = {0, positions / 2, positions - 1};
  for (std::size_t at = 1; at + INDEX_BYTES <= size && indexes.size() < 8; at += INDEX_BYTES) {
    indexes.push_back(
        (std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 | data[at + 2] << 8 | data[at + 3]) %
        positions);
  }
  for (const std::uint32_t index : indexes) readTablebaseValue(*tablebases, classNumber, side, index);
  return 0;
}
