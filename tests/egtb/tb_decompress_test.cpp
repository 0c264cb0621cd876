#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>

#include "egtb/tb_compress.h"
#include "egtb/tb_decompress.h"
#include "support/tbz_decode.h"

namespace velt {

namespace {

constexpr int MATCH_SYMBOL_BASE = TBZ_LITERAL_COUNT;

// A file made by hand: chosen code lengths and distances, blocks given as bit
// fields (value, width) or stored bytes.
struct HandFile {
  CompressedLayout layout;
  HandFile(std::initializer_list<std::pair<int, int>> lengths, std::uint32_t lastBlockSize) {
    for (auto [symbol, length] : lengths) layout.codeLengths[symbol] = static_cast<std::uint8_t>(length);
    for (int j = 0; j < TBZ_DISTANCE_COUNT; ++j) layout.distances[j] = static_cast<std::uint32_t>(j + 1);
    layout.lastBlockSize = lastBlockSize;
  }
  HandFile& coded(std::initializer_list<std::pair<std::uint32_t, int>> fields) {
    BitWriter out;
    for (auto [value, bits] : fields) out.write(value, bits);
    out.flush();
    layout.blocks.push_back(out.bytes);
    return *this;
  }
  HandFile& stored(std::vector<std::uint8_t> bytes) {
    layout.blocks.push_back(std::move(bytes));
    return *this;
  }
  std::vector<std::uint8_t> bytes() const { return writeCompressedLayout(layout); }
};

// A file opened in memory with its descriptor and a work area, for tests that
// look at the decoding state between requests.
struct OpenFile {
  std::vector<std::uint8_t> bytes;
  std::FILE* stream;
  std::unique_ptr<CompressedFile> descriptor = std::make_unique<CompressedFile>();
  std::unique_ptr<DecodeBlock> work = std::make_unique<DecodeBlock>();
  explicit OpenFile(std::vector<std::uint8_t> file) : bytes(std::move(file)) {
    stream = fmemopen(bytes.data(), bytes.size(), "rb");
    initDecodeBlock(*work);
  }
  ~OpenFile() { std::fclose(stream); }
};

TEST(TbDecompress, ChecksumUsesTheReversedTable) {
  EXPECT_EQ(tbzChecksumTableEntry(0), 0x2D02EF8Du);
  EXPECT_EQ(tbzChecksumTableEntry(1), 0x5A05DF1Bu);
  EXPECT_EQ(tbzChecksumTableEntry(128), 0xC0BA6CADu);
  EXPECT_EQ(tbzChecksumTableEntry(255), 0u);
  const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(tbzChecksum(text, sizeof text), 0x20D421B6u);  // the usual CRC-32 gives 0xCBF43926
}

TEST(TbDecompress, SingleSymbolCodeTakesNoBits) {
  const DecodedFile decoded = decodeCompressedFile(HandFile({{'A', 1}}, TBZ_BLOCK_SIZE).coded({{0, 8}}).bytes());
  ASSERT_EQ(decoded.error, 0u);
  EXPECT_EQ(decoded.bytes, std::vector<std::uint8_t>(TBZ_BLOCK_SIZE, 'A'));
  // One symbol of any other length is no code.
  EXPECT_EQ(decodeCompressedFile(HandFile({{'A', 2}}, TBZ_BLOCK_SIZE).coded({{0, 8}}).bytes()).error,
            tbzError(TBZ_FILE_BROKEN, TBZ_AT_MAIN_CODE));
}

TEST(TbDecompress, EmptyCodeServesOnlyStoredBlocks) {
  std::vector<std::uint8_t> full(TBZ_BLOCK_SIZE), tail = {1, 2, 3};
  for (std::size_t i = 0; i < full.size(); ++i) full[i] = static_cast<std::uint8_t>(i * 7);
  const DecodedFile decoded = decodeCompressedFile(HandFile({}, 3).stored(full).stored(tail).bytes());
  ASSERT_EQ(decoded.error, 0u);
  full.insert(full.end(), tail.begin(), tail.end());
  EXPECT_EQ(decoded.bytes, full);
  EXPECT_EQ(decodeCompressedFile(HandFile({}, 3).coded({{0, 8}}).bytes()).error,
            tbzError(TBZ_FILE_BROKEN, TBZ_AT_NO_CODE));
}

TEST(TbDecompress, MatchCutByARequestEndsInTheNext) {
  // Codes: the match (distance index 0, 12 extra bits) 0, 'a' 10, 'b' 11.
  const int match = MATCH_SYMBOL_BASE + TBZ_LONG_LENGTH_BIAS + 12;
  HandFile hand({{match, 1}, {'a', 2}, {'b', 2}}, TBZ_BLOCK_SIZE);
  hand.layout.distances[0] = 2;
  hand.coded({{2, 2}, {3, 2}, {0, 1}, {TBZ_BLOCK_SIZE - 2 - 4096 - TBZ_LONG_LENGTH_BIAS, 12}});
  std::vector<std::uint8_t> expected(TBZ_BLOCK_SIZE);
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = i % 2 ? 'b' : 'a';
  for (std::size_t request : {std::size_t{0}, std::size_t{5}, std::size_t{3000}}) {
    const DecodedFile decoded = decodeCompressedFile(hand.bytes(), request);
    ASSERT_EQ(decoded.error, 0u);
    EXPECT_EQ(decoded.bytes, expected) << request;
  }
}

TEST(TbDecompress, LongMatchReadsSeventeenExtraBits) {
  // 17 extra bits make a match longer than any block: it stays pending and the
  // block is broken once its output is full.
  const int match = MATCH_SYMBOL_BASE + TBZ_LENGTH_CODES - 1;
  const std::uint32_t extra = 0x1ABCD;
  OpenFile file(HandFile({{'x', 1}, {match, 1}}, TBZ_BLOCK_SIZE).coded({{0, 1}, {1, 1}, {extra, 17}}).bytes());
  ASSERT_EQ(readCompressedHeader(file.stream, *file.descriptor), 0u);
  std::vector<std::uint8_t> out(TBZ_BLOCK_SIZE);
  ASSERT_EQ(readCompressedBlock(*file.work, *file.descriptor, file.stream, 0, out.data()), 0u);
  ASSERT_EQ(decodeBlock(*file.work, *file.descriptor, out.data() + 100), 0u);
  EXPECT_EQ(file.work->pendingLength, (1u << 17) + extra + TBZ_LONG_LENGTH_BIAS - 99);
  EXPECT_EQ(out[99], 'x');
  EXPECT_EQ(decodeBlock(*file.work, *file.descriptor, out.data() + out.size()),
            tbzError(TBZ_FILE_BROKEN, TBZ_AT_PENDING_MATCH));
}

TEST(TbDecompress, InvalidArgumentsAreRefused) {
  const std::vector<std::uint8_t> data(100, 9);
  OpenFile file(compressTablebase(data.data(), data.size()));
  ASSERT_EQ(readCompressedHeader(file.stream, *file.descriptor), 0u);
  std::vector<std::uint8_t> out(TBZ_BLOCK_SIZE);
  EXPECT_EQ(decodeBlock(*file.work, *file.descriptor, out.data() + 100), tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_WORK_AREA));
  EXPECT_EQ(readCompressedBlock(*file.work, *file.descriptor, file.stream, 1, out.data()),
            tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_BLOCK_NUMBER));
  DecodeBlock fresh{};
  EXPECT_EQ(readCompressedBlock(fresh, *file.descriptor, file.stream, 0, out.data()),
            tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_WORK_AREA));
}

void setBigEndian32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::vector<std::uint8_t> sampleFile() {
  std::vector<std::uint8_t> data(2 * TBZ_BLOCK_SIZE + 500);
  std::mt19937 random(5);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 61 == 0 ? random() : i % 9);
  return compressTablebase(data.data(), data.size());
}

TEST(TbDecompress, EveryBrokenFileGivesItsError) {
  // 256 literals of 8 bits: a literal's code is its value.
  HandFile literals({}, TBZ_BLOCK_SIZE);
  for (int s = 0; s < TBZ_LITERAL_COUNT; ++s) literals.layout.codeLengths[s] = 8;
  HandFile farMatch({{'a', 1}, {MATCH_SYMBOL_BASE + 4 * TBZ_LENGTH_CODES, 1}}, TBZ_BLOCK_SIZE);  // distance 5

  struct Case {
    const char* name;
    std::function<std::vector<std::uint8_t>()> file;
    std::uint32_t error;
  };
  const auto mutated = [](std::function<void(std::vector<std::uint8_t>&)> change, bool resign) {
    return [=] {
      std::vector<std::uint8_t> file = sampleFile();
      change(file);
      if (resign) resignCompressedHeader(file);
      return file;
    };
  };
  const Case cases[] = {
      {"short header", mutated([](auto& f) { f.resize(50); }, false), tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_READ)},
      {"foreign banner", mutated([](auto& f) { f[3] ^= 1; }, false), tbzError(TBZ_READ_ERROR, TBZ_AT_BANNER)},
      {"header length below the minimum", mutated([](auto& f) { setBigEndian32(f, 64, 83); }, false),
       tbzError(TBZ_FILE_BROKEN, TBZ_AT_HEADER_FIELDS)},
      {"block size above 64 KiB", mutated([](auto& f) { f[70] = 17; }, false), tbzError(TBZ_FILE_BROKEN, TBZ_AT_HEADER_FIELDS)},
      {"distance count", mutated([](auto& f) { f[71] = 23; }, false), tbzError(TBZ_FILE_BROKEN, TBZ_AT_HEADER_FIELDS)},
      {"magic", mutated([](auto& f) { f[79] ^= 4; }, false), tbzError(TBZ_FILE_BROKEN, TBZ_AT_HEADER_FIELDS)},
      {"header longer than the file", mutated([](auto& f) { setBigEndian32(f, 64, static_cast<std::uint32_t>(f.size() + 1)); }, false),
       tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_REST)},
      {"checksum mismatch", mutated([](auto& f) { f[90] ^= 0x10; }, false), tbzError(TBZ_FILE_BROKEN, TBZ_AT_CHECKSUM)},
      {"block fields beyond the header", mutated([](auto& f) { setBigEndian32(f, 72, 1000); }, true),
       tbzError(TBZ_FILE_BROKEN, TBZ_AT_BLOCK_SIZES)},
      {"truncated blocks", mutated([](auto& f) { f.erase(f.end() - 10, f.end()); }, false), tbzError(TBZ_READ_ERROR, TBZ_AT_BLOCK_READ)},
      {"incomplete code", [] { return HandFile({{'a', 1}, {'b', 2}}, TBZ_BLOCK_SIZE).coded({{0, 8}}).bytes(); },
       tbzError(TBZ_FILE_BROKEN, TBZ_AT_MAIN_CODE)},
      {"match before the output start", [&] { return farMatch.coded({{0, 1}, {1, 1}}).bytes(); },
       tbzError(TBZ_FILE_BROKEN, TBZ_AT_MATCH_DISTANCE)},
      {"input overrun", [&] { return literals.coded({{'a', 8}, {'b', 8}, {'c', 8}}).bytes(); },
       tbzError(TBZ_FILE_BROKEN, TBZ_AT_INPUT_OVERRUN)},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeCompressedFile(c.file()).error, c.error) << c.name;
}

TEST(TbDecompress, MutatedFilesNeverReadOutOfBounds) {
  // Random byte changes (with the header checksum made right again half of the
  // time, so that changes get past it) and truncations; the sanitizer build catches
  // any stray access.
  const std::vector<std::uint8_t> original = sampleFile();
  const std::size_t headerLength = std::size_t{original[66]} << 8 | original[67];
  std::mt19937 random(11);
  int decodeErrors = 0;
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::uint8_t> file = original;
    const bool inHeader = round % 2 == 0;
    for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n) {
      const std::size_t at = inHeader ? random() % headerLength : headerLength + random() % (file.size() - headerLength);
      file[at] = static_cast<std::uint8_t>(random());
    }
    if (round % 3 != 0 && file.size() >= headerLength) resignCompressedHeader(file);
    if (round % 17 == 0) file.resize(random() % file.size());
    const std::uint32_t error = decodeCompressedFile(file, round % 5 == 0 ? 3 : 0).error;
    const std::uint32_t category = tbzCategory(error);
    ASSERT_TRUE(error == 0 || category == TBZ_READ_ERROR || category == TBZ_FILE_BROKEN ||
                category == TBZ_OUT_OF_MEMORY) << std::hex << error;
    if (error >> 8 >= TBZ_AT_NO_CODE) ++decodeErrors;
  }
  EXPECT_GT(decodeErrors, 50);  // the block decoder itself saw broken input
}

}  // namespace

}  // namespace velt
