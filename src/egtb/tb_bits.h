// Bit streams of the compressed tablebase format: fields are read and written most
// significant bit first, bytes in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velt {

// The reader loads 8 bytes at a time, so its buffer must be followed by
// TBZ_READ_PADDING readable bytes beyond the last position it may reach (its
// limit plus the longest field, 48 bits). Callers check overrun() after each field
// or symbol and stop there, which keeps every load inside the padding.
constexpr std::size_t TBZ_READ_PADDING = 16;

struct BitReader {
  const std::uint8_t* data = nullptr;
  std::uint64_t position = 0;    // in bits from data
  std::uint64_t limitBits = 0;   // bits that belong to the stream

  // The next 32 bits, without consuming them.
  std::uint32_t peek32() const {
    std::uint64_t word;
    std::memcpy(&word, data + (position >> 3), sizeof word);
    word = __builtin_bswap64(word);
    return static_cast<std::uint32_t>((word << (position & 7)) >> 32);
  }
  void skip(int bits) { position += static_cast<unsigned>(bits); }
  // Reads 0 to 32 bits as an unsigned number.
  std::uint32_t read(int bits) {
    if (bits == 0) return 0;
    std::uint32_t value = static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>(peek32()) >> (32 - bits)));
    position += static_cast<unsigned>(bits);
    return value;
  }
  bool overrun() const { return position > limitBits; }
  // Continues at the next whole byte.
  void alignToByte() { position = (position + 7) & ~std::uint64_t{7}; }
};

struct BitWriter {
  std::vector<std::uint8_t> bytes;
  std::uint64_t accumulator = 0;
  int pending = 0;  // bits in the accumulator not yet flushed, fewer than 8

  // Appends the low `bits` bits of value (0 to 32).
  void write(std::uint32_t value, int bits) {
    if (bits == 0) return;
    accumulator = accumulator << bits | (value & (bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1));
    pending += bits;
    while (pending >= 8) {
      pending -= 8;
      bytes.push_back(static_cast<std::uint8_t>(accumulator >> pending));
    }
  }
  // Pads the last byte with zero bits.
  void flush() {
    if (pending > 0) write(0, 8 - pending);
  }
  std::uint64_t bitCount() const { return bytes.size() * 8 + static_cast<unsigned>(pending); }
};

}  // namespace velt
