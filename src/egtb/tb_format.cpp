#include "egtb/tb_format.h"

#include <array>
#include <cstdio>

namespace velt {

const char TBZ_BANNER[TBZ_BANNER_SIZE] = "Velt compressed tablebase, 8192-byte blocks, format 1\n";

namespace {

// Entry i starts from i and takes eight steps: a set low bit only shifts, a clear
// one shifts and folds in the polynomial. This is the reverse of the usual CRC-32
// rule, and the files' checksums are made with it.
constexpr std::uint32_t CHECKSUM_POLYNOMIAL = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> makeChecksumTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int step = 0; step < 8; ++step)
      value = (value & 1) ? value >> 1 : (value >> 1) ^ CHECKSUM_POLYNOMIAL;
    table[i] = value;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> CHECKSUM_TABLE = makeChecksumTable();

}  // namespace

std::uint32_t tbzChecksumTableEntry(int index) { return CHECKSUM_TABLE[index & 255]; }

std::uint32_t tbzChecksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) sum = CHECKSUM_TABLE[(sum ^ data[i]) & 255] ^ (sum >> 8);
  return sum;
}

std::string tbzErrorText(std::uint32_t error) {
  switch (tbzCategory(error)) {
    case TBZ_READ_ERROR: return "read error";
    case TBZ_OUT_OF_MEMORY: return "out of memory";
    case TBZ_FILE_BROKEN: return "file broken";
    default: return "error " + std::to_string(static_cast<int>(error));
  }
}

}  // namespace velt
