#include <gtest/gtest.h>

#include <random>

#include "egtb/tb_compress.h"
#include "egtb/tb_decompress.h"
#include "support/tbz_decode.h"

namespace velt {

namespace {

// Tablebase-like bytes: values repeating with the squares of the men, broken
// by scattered exceptions, with "unknown" entries on a regular pattern.
std::vector<std::uint8_t> tablebaseLike(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t square = i % 64, king = i / 64 % 64;
    int value = (square + king) % 7 == 0 ? static_cast<int>(30 - square % 13) : 0;
    if (((square ^ king) & 9) == 0) value = 127;
    if (random() % 100 == 0) value = static_cast<int>(random() % 256);
    bytes[i] = static_cast<std::uint8_t>(value);
  }
  return bytes;
}

std::vector<std::uint8_t> randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

struct RoundTrip {
  const char* name;
  std::vector<std::uint8_t> data;
  bool expectStored;  // incompressible blocks must be stored
  int minimumRatio = 0;  // the data at least this many times the file's size
};

TEST(TbCompress, RoundTripsEveryByteInWholeAndCutRequests) {
  const RoundTrip cases[] = {
      {"tablebase-like, partial last block", tablebaseLike(81664, 1), false},
      {"tablebase-like, whole blocks", tablebaseLike(4 * TBZ_BLOCK_SIZE, 2), false, 5},
      {"all zero", std::vector<std::uint8_t>(20000, 0), false},
      {"random", randomBytes(3 * TBZ_BLOCK_SIZE + 77, 3), true},
      {"one byte", {0x85}, true},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    CompressionStats stats;
    const std::vector<std::uint8_t> file = compressTablebase(c.data.data(), c.data.size(), &stats);
    EXPECT_EQ(stats.storedBlocks > 0, c.expectStored);
    EXPECT_GE(c.data.size(), c.minimumRatio * file.size());
    for (std::size_t request : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
      const DecodedFile decoded = decodeCompressedFile(file, request);
      ASSERT_EQ(decoded.error, 0u) << "request size " << request;
      ASSERT_TRUE(decoded.bytes == c.data) << "request size " << request;
    }
  }
}

TEST(TbCompress, LimitedHuffmanLengthsStayCompleteAndShort) {
  // Fibonacci frequencies give an unlimited code as deep as the symbol count.
  std::uint64_t frequencies[40];
  frequencies[0] = frequencies[1] = 1;
  for (int i = 2; i < 40; ++i) frequencies[i] = frequencies[i - 1] + frequencies[i - 2];
  std::uint8_t lengths[40];
  limitedHuffmanLengths(frequencies, 40, 12, lengths);
  std::int16_t table[decodeTableSize(8, 40)];
  EXPECT_EQ(buildDecodeTable(lengths, 40, 8, table), DecodeTableResult::READY);
  for (int i = 0; i < 40; ++i) EXPECT_LE(lengths[i], 12);
  EXPECT_LE(lengths[39], lengths[0]);  // the most frequent symbol gets a code no longer
}

TEST(TbCompress, CodeLengthListsReadBackAsWritten) {
  // Long equal runs (repeat counts with extra bits), short runs and single values.
  std::uint8_t lengths[TBZ_SYMBOL_COUNT] = {};
  for (int s = 0; s < TBZ_SYMBOL_COUNT; ++s) lengths[s] = s < 300 ? 9 : s < 302 ? 3 : s % 5 == 0 ? 0 : s % 23;
  for (int count : {TBZ_SYMBOL_COUNT, TBZ_SMALL_LIST, 20}) {
    BitWriter out;
    writeCodeLengths(out, lengths, count);
    out.flush();
    out.bytes.resize(out.bytes.size() + TBZ_READ_PADDING);
    BitReader in;
    in.data = out.bytes.data();
    in.limitBits = (out.bytes.size() - TBZ_READ_PADDING) * 8;
    std::uint8_t read[TBZ_SYMBOL_COUNT];
    ASSERT_TRUE(readCodeLengths(in, count, read)) << count;
    EXPECT_TRUE(std::equal(lengths, lengths + count, read)) << count;
  }
}

}  // namespace

}  // namespace velt
