// Layout of a compressed tablebase file (".emd"), shared by the block decoder and
// the compressor: a header with a block index, then independently compressed
// blocks. All multi-byte numbers are big-endian; bit fields are most significant
// bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {

// The compressor's banner fills the first 64 bytes (padded with NULs); a reader
// accepts only files made by this compressor.
constexpr std::size_t TBZ_BANNER_SIZE = 64;
extern const char TBZ_BANNER[TBZ_BANNER_SIZE];

// Fixed part of the header.
constexpr std::size_t TBZ_HEADER_LENGTH_OFFSET = 64;   // 4 bytes: total header length H, then 2 unused
constexpr std::size_t TBZ_BLOCK_BITS_OFFSET = 70;      // 1 byte: log2 of the block size
constexpr std::size_t TBZ_DISTANCE_COUNT_OFFSET = 71;  // 1 byte: must be TBZ_DISTANCE_COUNT
constexpr std::size_t TBZ_BLOCK_COUNT_OFFSET = 72;     // 4 bytes: number of blocks N
constexpr std::size_t TBZ_MAGIC_OFFSET = 76;           // 4 bytes: TBZ_MAGIC
constexpr std::size_t TBZ_FIXED_HEADER_SIZE = 80;      // then N 8-byte block records
constexpr std::size_t TBZ_BLOCK_RECORD_SIZE = 8;
constexpr std::size_t TBZ_CHECKSUM_SIZE = 4;           // last 4 header bytes
constexpr std::size_t TBZ_MIN_HEADER_LENGTH = TBZ_FIXED_HEADER_SIZE + TBZ_CHECKSUM_SIZE;
constexpr std::uint32_t TBZ_MAGIC = 0x004001F5u;

constexpr int TBZ_MAX_BLOCK_BITS = 16;
constexpr int TBZ_BLOCK_BITS = 13;  // the 8192-byte blocks the engine's cache holds
constexpr std::size_t TBZ_BLOCK_SIZE = std::size_t{1} << TBZ_BLOCK_BITS;

// Matches copy from one of 24 distances stored in the header.
constexpr int TBZ_DISTANCE_COUNT = 24;

// Main code: 256 literals, then for each distance index 32 match-length codes.
constexpr int TBZ_LITERAL_COUNT = 256;
constexpr int TBZ_LENGTH_CODES = 32;
constexpr int TBZ_SYMBOL_COUNT = 1024;
static_assert(TBZ_LITERAL_COUNT + TBZ_DISTANCE_COUNT * TBZ_LENGTH_CODES == TBZ_SYMBOL_COUNT);
// Length codes below this stand for lengths 1..15; from it on, k = code - 14 extra
// bits give the length 2^k + extra + 14.
constexpr int TBZ_SHORT_LENGTH_CODES = 15;
constexpr int TBZ_LONG_LENGTH_BIAS = 14;

// Code lengths are 0 (absent) to 31. The main code is decoded through a 13-bit
// primary lookup, the two small codes of the code-length coding through 8 bits.
constexpr int TBZ_MAX_CODE_LENGTH = 31;
constexpr int TBZ_MAIN_PRIMARY_BITS = 13;
constexpr int TBZ_SMALL_PRIMARY_BITS = 8;

// Code-length coding: a list of more than TBZ_SMALL_LIST lengths is coded with two
// 64-symbol codes (A: a length or a repeated length, B: the repeat count) whose own
// TBZ_SMALL_LIST lengths are written with a fixed width and zero runs.
constexpr int TBZ_SMALL_LIST = 128;
constexpr int TBZ_SMALL_CODE_SYMBOLS = 64;
constexpr int TBZ_WIDTH_BITS = 5;          // width of each small-list length
constexpr int TBZ_ZERO_RUN_BITS = 4;       // further zeros after a zero length
constexpr int TBZ_REPEAT_BASE = 32;        // code A symbols from here repeat a length
constexpr int TBZ_COUNT_DIRECT = 32;       // code B symbols below this are the count
constexpr int TBZ_COUNT_BIAS = 31;         // count = 2^k + extra + 31 above that
constexpr int TBZ_REPEAT_MIN = 2;          // a repeat covers count + 2 lengths

// Checksum of header bytes 0 .. H-5, compared with the value in the last 4 bytes.
// A table-driven 32-bit sum starting from 0 without final inversion, whose table is
// NOT the usual CRC-32 one (see tb_format.cpp); existing files depend on it.
std::uint32_t tbzChecksum(const std::uint8_t* data, std::size_t size);
std::uint32_t tbzChecksumTableEntry(int index);

// Error values: the low byte is the category, the bits above it name the place of
// the failure (TbzPlace), so that a report points at the failing check.
constexpr std::uint32_t TBZ_READ_ERROR = 2;
constexpr std::uint32_t TBZ_OUT_OF_MEMORY = 5;
constexpr std::uint32_t TBZ_FILE_BROKEN = 6;
constexpr std::uint32_t TBZ_INVALID_ARGUMENT = 7;

enum TbzPlace : std::uint32_t {
  TBZ_AT_HEADER_READ = 1,
  TBZ_AT_BANNER,
  TBZ_AT_HEADER_FIELDS,
  TBZ_AT_HEADER_ALLOCATION,
  TBZ_AT_HEADER_REST,
  TBZ_AT_CHECKSUM,
  TBZ_AT_BLOCK_SIZES,
  TBZ_AT_SMALL_LENGTHS,
  TBZ_AT_SMALL_CODES,
  TBZ_AT_MAIN_LENGTHS,
  TBZ_AT_MAIN_CODE,
  TBZ_AT_WORK_AREA,
  TBZ_AT_BLOCK_NUMBER,
  TBZ_AT_BLOCK_SEEK,
  TBZ_AT_BLOCK_READ,
  TBZ_AT_BLOCK_TOO_LARGE,
  TBZ_AT_NO_CODE,
  TBZ_AT_MATCH_DISTANCE,
  TBZ_AT_INPUT_OVERRUN,
  TBZ_AT_PENDING_MATCH,
};

constexpr std::uint32_t tbzError(std::uint32_t category, TbzPlace place) {
  return static_cast<std::uint32_t>(place) << 8 | category;
}
constexpr std::uint32_t tbzCategory(std::uint32_t error) { return error & 0xFF; }

// Why a file with this error cannot be read: "read error", "out of memory",
// "file broken", or "error <number>" for any other category.
std::string tbzErrorText(std::uint32_t error);

}  // namespace velt
