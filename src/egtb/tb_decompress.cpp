#include "egtb/tb_decompress.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace velt {

namespace {

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         bytes[3];
}

// A small list: a fixed width, then each length; a zero is followed by a count of
// further zeros.
bool readSmallList(BitReader& in, int count, std::uint8_t* lengths) {
  const int width = static_cast<int>(in.read(TBZ_WIDTH_BITS));
  for (int s = 0; s < count;) {
    const std::uint32_t length = in.read(width);
    if (in.overrun() || length > TBZ_MAX_CODE_LENGTH) return false;
    lengths[s++] = static_cast<std::uint8_t>(length);
    if (length != 0) continue;
    const int run = static_cast<int>(in.read(TBZ_ZERO_RUN_BITS));
    if (in.overrun() || run > count - s) return false;
    std::fill(lengths + s, lengths + s + run, std::uint8_t{0});
    s += run;
  }
  return true;
}

}  // namespace

bool readCodeLengths(BitReader& in, int count, std::uint8_t* lengths) {
  const bool allAbsent = in.read(1) != 0;
  if (in.overrun()) return false;
  if (allAbsent) {
    std::fill(lengths, lengths + count, std::uint8_t{0});
    return true;
  }
  if (count <= TBZ_SMALL_LIST) return readSmallList(in, count, lengths);

  // Code A gives a length or a repeated length, code B the repeat count.
  std::uint8_t smallLengths[TBZ_SMALL_LIST];
  if (!readSmallList(in, TBZ_SMALL_LIST, smallLengths)) return false;
  std::int16_t tableA[decodeTableSize(TBZ_SMALL_PRIMARY_BITS, TBZ_SMALL_CODE_SYMBOLS)];
  std::int16_t tableB[decodeTableSize(TBZ_SMALL_PRIMARY_BITS, TBZ_SMALL_CODE_SYMBOLS)];
  const DecodeTableResult codeA =
      buildDecodeTable(smallLengths, TBZ_SMALL_CODE_SYMBOLS, TBZ_SMALL_PRIMARY_BITS, tableA);
  const DecodeTableResult codeB = buildDecodeTable(smallLengths + TBZ_SMALL_CODE_SYMBOLS,
                                                   TBZ_SMALL_CODE_SYMBOLS, TBZ_SMALL_PRIMARY_BITS, tableB);
  if (codeA == DecodeTableResult::BROKEN || codeB == DecodeTableResult::BROKEN) return false;
  for (int s = 0; s < count;) {
    if (codeA != DecodeTableResult::READY) return false;
    const int symbol = decodeSymbol(tableA, TBZ_SMALL_PRIMARY_BITS, in);
    if (in.overrun()) return false;
    if (symbol < TBZ_REPEAT_BASE) {
      lengths[s++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    if (codeB != DecodeTableResult::READY) return false;
    const int countSymbol = decodeSymbol(tableB, TBZ_SMALL_PRIMARY_BITS, in);
    if (in.overrun()) return false;
    std::uint64_t repeat = static_cast<std::uint64_t>(countSymbol);
    if (countSymbol >= TBZ_COUNT_DIRECT) {
      const int extraBits = countSymbol - TBZ_COUNT_DIRECT;
      repeat = (std::uint64_t{1} << extraBits) + in.read(extraBits) + TBZ_COUNT_BIAS;
      if (in.overrun()) return false;
    }
    repeat += TBZ_REPEAT_MIN;
    if (repeat > static_cast<std::uint64_t>(count - s)) return false;
    std::fill(lengths + s, lengths + s + repeat, static_cast<std::uint8_t>(symbol - TBZ_REPEAT_BASE));
    s += static_cast<int>(repeat);
  }
  return true;
}

void initDecodeBlock(DecodeBlock& work) {
  work.marker = DECODE_BLOCK_MARKER;
  work.state = DecodeState::IDLE;
}

std::uint32_t readCompressedHeader(std::FILE* file, CompressedFile& descriptor) {
  if (std::fseek(file, 0, SEEK_END) != 0) return tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_READ);
  const long fileSize = std::ftell(file);
  std::uint8_t fixed[TBZ_FIXED_HEADER_SIZE];
  if (fileSize < 0 || std::fseek(file, 0, SEEK_SET) != 0 ||
      std::fread(fixed, 1, sizeof fixed, file) != sizeof fixed)
    return tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_READ);
  if (std::memcmp(fixed, TBZ_BANNER, TBZ_BANNER_SIZE) != 0) return tbzError(TBZ_READ_ERROR, TBZ_AT_BANNER);

  const std::uint32_t headerLength = bigEndian32(fixed + TBZ_HEADER_LENGTH_OFFSET);
  const int blockBits = fixed[TBZ_BLOCK_BITS_OFFSET];
  const std::uint32_t blockCount = bigEndian32(fixed + TBZ_BLOCK_COUNT_OFFSET);
  if (headerLength < TBZ_MIN_HEADER_LENGTH || blockBits > TBZ_MAX_BLOCK_BITS ||
      fixed[TBZ_DISTANCE_COUNT_OFFSET] != TBZ_DISTANCE_COUNT ||
      bigEndian32(fixed + TBZ_MAGIC_OFFSET) != TBZ_MAGIC || blockCount == 0)
    return tbzError(TBZ_FILE_BROKEN, TBZ_AT_HEADER_FIELDS);
  // A header longer than the file is a truncated file; checking first also keeps a
  // garbage length from asking for gigabytes.
  if (headerLength > static_cast<std::uint64_t>(fileSize)) return tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_REST);

  std::unique_ptr<std::uint8_t[]> header(new (std::nothrow) std::uint8_t[headerLength + TBZ_READ_PADDING]);
  if (!header) return tbzError(TBZ_OUT_OF_MEMORY, TBZ_AT_HEADER_ALLOCATION);
  std::memcpy(header.get(), fixed, sizeof fixed);
  std::memset(header.get() + headerLength, 0, TBZ_READ_PADDING);
  if (std::fread(header.get() + sizeof fixed, 1, headerLength - sizeof fixed, file) != headerLength - sizeof fixed)
    return tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_REST);
  const std::uint32_t checked = headerLength - TBZ_CHECKSUM_SIZE;
  if (tbzChecksum(header.get(), checked) != bigEndian32(header.get() + checked))
    return tbzError(TBZ_FILE_BROKEN, TBZ_AT_CHECKSUM);

  // Block sizes and distances: b-bit fields after the block records.
  const std::uint64_t fieldsStart = TBZ_FIXED_HEADER_SIZE + std::uint64_t{blockCount} * TBZ_BLOCK_RECORD_SIZE;
  const std::uint64_t fieldBits = (std::uint64_t{blockCount} + 1 + TBZ_DISTANCE_COUNT) * blockBits;
  if (fieldsStart * 8 + fieldBits > std::uint64_t{checked} * 8) return tbzError(TBZ_FILE_BROKEN, TBZ_AT_BLOCK_SIZES);
  BitReader in;
  in.data = header.get();
  in.position = fieldsStart * 8;
  in.limitBits = std::uint64_t{checked} * 8;

  descriptor.blockBits = blockBits;
  descriptor.blockSize = std::uint32_t{1} << blockBits;
  descriptor.blockCount = blockCount;
  try {
    descriptor.blockOffsets.assign(std::size_t{blockCount} + 1, 0);
  } catch (const std::bad_alloc&) {
    return tbzError(TBZ_OUT_OF_MEMORY, TBZ_AT_HEADER_ALLOCATION);
  }
  const auto sizeField = [&]() {
    const std::uint32_t value = in.read(blockBits);
    return value == 0 ? descriptor.blockSize : value;
  };
  std::uint64_t offset = headerLength;
  for (std::uint32_t block = 0; block < blockCount; ++block) {
    const std::uint32_t length = sizeField();
    descriptor.blockOffsets[block] = offset;
    offset += length;
  }
  descriptor.blockOffsets[blockCount] = offset;
  descriptor.lastBlockSize = sizeField();
  for (std::uint32_t& distance : descriptor.distances) distance = in.read(blockBits);

  in.alignToByte();
  std::uint8_t lengths[TBZ_SYMBOL_COUNT];
  if (!readCodeLengths(in, TBZ_SYMBOL_COUNT, lengths)) return tbzError(TBZ_FILE_BROKEN, TBZ_AT_MAIN_LENGTHS);
  const DecodeTableResult main =
      buildDecodeTable(lengths, TBZ_SYMBOL_COUNT, TBZ_MAIN_PRIMARY_BITS, descriptor.mainTable);
  if (main == DecodeTableResult::BROKEN) return tbzError(TBZ_FILE_BROKEN, TBZ_AT_MAIN_CODE);
  descriptor.mainCodeEmpty = main == DecodeTableResult::EMPTY;
  return 0;
}

std::uint32_t readCompressedBlock(DecodeBlock& work, const CompressedFile& descriptor, std::FILE* file,
                                  std::uint32_t blockNumber, std::uint8_t* output) {
  if (work.marker != DECODE_BLOCK_MARKER) return tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_WORK_AREA);
  if (blockNumber >= descriptor.blockCount) return tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_BLOCK_NUMBER);
  work.state = DecodeState::IDLE;
  const std::uint32_t outputLength = compressedBlockLength(descriptor, blockNumber);
  const std::uint64_t start = descriptor.blockOffsets[blockNumber];
  const std::uint64_t length = descriptor.blockOffsets[blockNumber + 1] - start;
  const bool stored = length == outputLength;
  if (!stored && length > DECODE_INPUT_CAPACITY) return tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_BLOCK_TOO_LARGE);
  if (std::fseek(file, static_cast<long>(start), SEEK_SET) != 0) return tbzError(TBZ_READ_ERROR, TBZ_AT_BLOCK_SEEK);
  std::uint8_t* target = stored ? output : work.buffer;
  if (std::fread(target, 1, length, file) != length) return tbzError(TBZ_READ_ERROR, TBZ_AT_BLOCK_READ);

  work.outputStart = output;
  work.output = stored ? output + outputLength : output;
  work.outputLimit = output + outputLength;
  work.pendingLength = 0;
  work.pendingDistance = 0;
  work.state = stored ? DecodeState::DONE : DecodeState::DECODING;
  if (!stored) {
    std::memset(work.buffer + length, 0, TBZ_READ_PADDING);
    work.input.data = work.buffer;
    work.input.position = 0;
    work.input.limitBits = length * 8;
  }
  return 0;
}

namespace {

// Copies a match byte by byte: an overlapping copy repeats the pattern.
inline std::uint8_t* copyMatch(std::uint8_t* out, std::uint32_t distance, std::uint32_t length) {
  const std::uint8_t* from = out - distance;
  for (std::uint32_t i = 0; i < length; ++i) out[i] = from[i];
  return out + length;
}

}  // namespace

std::uint32_t decodeBlock(DecodeBlock& work, const CompressedFile& descriptor, std::uint8_t* outputEnd) {
  if (work.marker != DECODE_BLOCK_MARKER || work.state == DecodeState::IDLE)
    return tbzError(TBZ_INVALID_ARGUMENT, TBZ_AT_WORK_AREA);
  if (work.state == DecodeState::DONE) return 0;
  if (descriptor.mainCodeEmpty) {
    work.state = DecodeState::IDLE;
    return tbzError(TBZ_FILE_BROKEN, TBZ_AT_NO_CODE);
  }
  std::uint8_t* const end = std::min(std::max(outputEnd, work.output), work.outputLimit);
  std::uint8_t* out = work.output;
  BitReader in = work.input;
  std::uint32_t error = 0;

  if (work.pendingLength > 0) {
    const std::uint32_t now = std::min<std::uint32_t>(work.pendingLength, static_cast<std::uint32_t>(end - out));
    out = copyMatch(out, work.pendingDistance, now);
    work.pendingLength -= now;
  }
  while (out < end) {
    if (in.overrun()) {
      error = tbzError(TBZ_FILE_BROKEN, TBZ_AT_INPUT_OVERRUN);
      break;
    }
    const int symbol = decodeSymbol(descriptor.mainTable, TBZ_MAIN_PRIMARY_BITS, in);
    if (symbol < TBZ_LITERAL_COUNT) {
      *out++ = static_cast<std::uint8_t>(symbol);
      continue;
    }
    const int match = symbol - TBZ_LITERAL_COUNT;
    const std::uint32_t distance = descriptor.distances[match / TBZ_LENGTH_CODES];
    const int lengthCode = match % TBZ_LENGTH_CODES;
    std::uint32_t length;
    if (lengthCode < TBZ_SHORT_LENGTH_CODES) {
      length = static_cast<std::uint32_t>(lengthCode) + 1;
    } else {
      const int extraBits = lengthCode - TBZ_LONG_LENGTH_BIAS;
      length = (std::uint32_t{1} << extraBits) + in.read(extraBits) + TBZ_LONG_LENGTH_BIAS;
    }
    if (distance == 0 || distance > static_cast<std::uintptr_t>(out - work.outputStart)) {
      error = tbzError(TBZ_FILE_BROKEN, TBZ_AT_MATCH_DISTANCE);
      break;
    }
    const std::uint32_t now = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(end - out));
    out = copyMatch(out, distance, now);
    work.pendingLength = length - now;
    work.pendingDistance = distance;
  }
  work.output = out;
  work.input = in;
  if (error == 0 && out == work.outputLimit) {
    if (in.overrun()) error = tbzError(TBZ_FILE_BROKEN, TBZ_AT_INPUT_OVERRUN);
    else if (work.pendingLength > 0) error = tbzError(TBZ_FILE_BROKEN, TBZ_AT_PENDING_MATCH);
    else work.state = DecodeState::DONE;
  }
  if (error != 0) work.state = DecodeState::IDLE;
  return error;
}

}  // namespace velt
