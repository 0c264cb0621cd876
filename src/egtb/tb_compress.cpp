#include "egtb/tb_compress.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "egtb/tb_huffman.h"

namespace velt {

namespace {

// The main code stays well inside the decoder's 31-bit limit; the two small codes
// of the code-length coding are shorter still, so that their lengths need 4 bits.
constexpr int MAX_MAIN_CODE_LENGTH = 20;
constexpr int MAX_SMALL_CODE_LENGTH = 15;
// Runs of equal code lengths at least this long are written as one repeat.
constexpr int MIN_REPEAT_RUN = 3;

// Distance choice: a hash-chain match finder with free distances runs over a
// sample of the blocks; the distances that save the most bytes are kept.
constexpr int SAMPLE_HASH_BITS = 14;
constexpr int SAMPLE_CHAIN_DEPTH = 48;
constexpr int SAMPLE_MIN_MATCH = 3;
constexpr std::size_t MAX_SAMPLE_BLOCKS = 256;

// Costs in bits for the first parse, before a code exists; a symbol the previous
// code did not use is assumed to cost the longest length.
constexpr int UNCODED_LITERAL_BITS = 8;
constexpr int UNCODED_MATCH_BITS = 8;

void putBigEndian32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

int bitWidth(std::uint32_t value) { return value == 0 ? 0 : 32 - std::countl_zero(value); }

void writeSmallList(BitWriter& out, const std::uint8_t* lengths, int count) {
  const int width = bitWidth(*std::max_element(lengths, lengths + count));
  out.write(static_cast<std::uint32_t>(width), TBZ_WIDTH_BITS);
  const int maxRun = (1 << TBZ_ZERO_RUN_BITS) - 1;
  for (int s = 0; s < count;) {
    out.write(lengths[s], width);
    if (lengths[s++] != 0) continue;
    int run = 0;
    while (run < maxRun && s + run < count && lengths[s + run] == 0) ++run;
    out.write(static_cast<std::uint32_t>(run), TBZ_ZERO_RUN_BITS);
    s += run;
  }
}

// A match length as length code and extra bits.
struct LengthCode {
  int code;
  int extraBits;
  std::uint32_t extra;
};

LengthCode lengthCode(std::uint32_t length) {
  if (length <= TBZ_SHORT_LENGTH_CODES) return {static_cast<int>(length) - 1, 0, 0};
  const int k = bitWidth(length - TBZ_LONG_LENGTH_BIAS) - 1;
  return {k + TBZ_LONG_LENGTH_BIAS, k, length - TBZ_LONG_LENGTH_BIAS - (std::uint32_t{1} << k)};
}

struct Token {
  std::uint16_t symbol;
  std::uint16_t length;  // match length; 1 for a literal
};

std::uint32_t matchLength(const std::uint8_t* data, std::size_t at, std::size_t from, std::size_t end) {
  std::size_t n = 0;
  while (at + n < end && data[at + n] == data[from + n]) ++n;
  return static_cast<std::uint32_t>(n);
}

std::vector<std::uint32_t> chooseDistances(const std::uint8_t* data, std::size_t size) {
  const std::size_t blockCount = (size + TBZ_BLOCK_SIZE - 1) / TBZ_BLOCK_SIZE;
  const std::size_t step = std::max<std::size_t>(1, blockCount / MAX_SAMPLE_BLOCKS);
  std::vector<std::uint64_t> saved(TBZ_BLOCK_SIZE, 0);
  std::vector<int> head(std::size_t{1} << SAMPLE_HASH_BITS);
  std::vector<int> previous(TBZ_BLOCK_SIZE);
  for (std::size_t block = 0; block < blockCount; block += step) {
    const std::uint8_t* bytes = data + block * TBZ_BLOCK_SIZE;
    const int length = static_cast<int>(std::min(TBZ_BLOCK_SIZE, size - block * TBZ_BLOCK_SIZE));
    std::fill(head.begin(), head.end(), -1);
    const auto hash = [&](int at) {
      const std::uint32_t key = std::uint32_t{bytes[at]} << 16 | std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2];
      return (key * 2654435761u) >> (32 - SAMPLE_HASH_BITS);
    };
    const auto insert = [&](int at) {
      if (at + SAMPLE_MIN_MATCH > length) return;
      const std::uint32_t h = hash(at);
      previous[at] = head[h];
      head[h] = at;
    };
    for (int at = 0; at + SAMPLE_MIN_MATCH <= length;) {
      std::uint32_t best = 0;
      int bestFrom = 0;
      int candidate = head[hash(at)];
      for (int depth = 0; candidate >= 0 && depth < SAMPLE_CHAIN_DEPTH; ++depth, candidate = previous[candidate]) {
        const std::uint32_t n = matchLength(bytes, at, candidate, length);
        if (n > best) best = n, bestFrom = candidate;
      }
      if (best < SAMPLE_MIN_MATCH) {
        insert(at++);
        continue;
      }
      saved[at - bestFrom] += best - 1;
      for (std::uint32_t i = 0; i < best; ++i) insert(at + static_cast<int>(i));
      at += static_cast<int>(best);
    }
  }
  std::vector<std::uint32_t> order(TBZ_BLOCK_SIZE - 1);
  std::iota(order.begin(), order.end(), 1u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return saved[a] > saved[b]; });
  // Unused slots get the smallest distances not chosen (the sort keeps them in order).
  order.resize(TBZ_DISTANCE_COUNT);
  return order;
}

// Bits each symbol costs under a code (or the first guess when there is none).
struct CostModel {
  std::uint8_t bits[TBZ_SYMBOL_COUNT];
  explicit CostModel(const std::uint8_t* lengths) {
    for (int s = 0; s < TBZ_SYMBOL_COUNT; ++s)
      bits[s] = !lengths ? static_cast<std::uint8_t>(s < TBZ_LITERAL_COUNT ? UNCODED_LITERAL_BITS : UNCODED_MATCH_BITS)
                : lengths[s] ? lengths[s] : static_cast<std::uint8_t>(MAX_MAIN_CODE_LENGTH);
  }
};

// Parses one block into tokens with lazy matching: a match is taken when it saves
// bits over literals, unless the match found one byte later saves more.
class BlockParser {
 public:
  BlockParser(const std::uint8_t* data, const std::vector<std::uint32_t>& distances, const CostModel& costs)
      : data_(data), distances_(distances), costs_(costs) {}

  void parse(std::size_t start, std::size_t end, std::vector<Token>& tokens) {
    start_ = start;
    end_ = end;
    literalPrefix_.assign(end - start + 1, 0);
    for (std::size_t i = start; i < end; ++i)
      literalPrefix_[i - start + 1] = literalPrefix_[i - start] + costs_.bits[data_[i]];
    Choice current = best(start);
    for (std::size_t at = start; at < end;) {
      if (current.gain > 0 && at + 1 < end) {
        const Choice next = best(at + 1);
        if (next.gain - costs_.bits[data_[at]] > current.gain) {
          tokens.push_back({data_[at], 1});
          ++at;
          current = next;
          continue;
        }
      }
      if (current.gain > 0) {
        tokens.push_back({static_cast<std::uint16_t>(current.symbol), static_cast<std::uint16_t>(current.length)});
        at += current.length;
      } else {
        tokens.push_back({data_[at], 1});
        ++at;
      }
      current = at < end ? best(at) : Choice{};
    }
  }

 private:
  struct Choice {
    long gain = 0;
    int symbol = 0;
    std::uint32_t length = 0;
  };

  Choice best(std::size_t at) const {
    Choice choice;
    for (int j = 0; j < TBZ_DISTANCE_COUNT; ++j) {
      const std::uint32_t distance = distances_[j];
      if (distance > at - start_) continue;
      const std::uint32_t length = matchLength(data_, at, at - distance, end_);
      if (length == 0) continue;
      const LengthCode code = lengthCode(length);
      const int symbol = TBZ_LITERAL_COUNT + j * TBZ_LENGTH_CODES + code.code;
      const long gain = static_cast<long>(literalPrefix_[at - start_ + length] - literalPrefix_[at - start_]) -
                        costs_.bits[symbol] - code.extraBits;
      if (gain > choice.gain) choice = {gain, symbol, length};
    }
    return choice;
  }

  const std::uint8_t* data_;
  const std::vector<std::uint32_t>& distances_;
  const CostModel& costs_;
  std::size_t start_ = 0, end_ = 0;
  std::vector<long> literalPrefix_;
};

// Parses every block, returning the tokens of each.
std::vector<std::vector<Token>> parseBlocks(const std::uint8_t* data, std::size_t size,
                                            const std::vector<std::uint32_t>& distances, const CostModel& costs) {
  BlockParser parser(data, distances, costs);
  std::vector<std::vector<Token>> blocks;
  for (std::size_t start = 0; start < size; start += TBZ_BLOCK_SIZE) {
    blocks.emplace_back();
    parser.parse(start, std::min(size, start + TBZ_BLOCK_SIZE), blocks.back());
  }
  return blocks;
}

void buildCode(const std::vector<std::vector<Token>>& blocks, std::uint8_t* lengths) {
  std::uint64_t frequencies[TBZ_SYMBOL_COUNT] = {};
  for (const auto& tokens : blocks)
    for (const Token& token : tokens) ++frequencies[token.symbol];
  limitedHuffmanLengths(frequencies, TBZ_SYMBOL_COUNT, MAX_MAIN_CODE_LENGTH, lengths);
}

}  // namespace

SymbolWriter::SymbolWriter(const std::uint8_t* codeLengths, int count)
    : lengths(codeLengths), codes(static_cast<std::size_t>(count)) {
  canonicalCodes(codeLengths, count, codes.data());
  singleSymbol = std::count_if(codeLengths, codeLengths + count, [](std::uint8_t l) { return l != 0; }) == 1;
}

void writeCodeLengths(BitWriter& out, const std::uint8_t* lengths, int count) {
  const bool allAbsent = std::all_of(lengths, lengths + count, [](std::uint8_t l) { return l == 0; });
  out.write(allAbsent ? 1 : 0, 1);
  if (allAbsent) return;
  if (count <= TBZ_SMALL_LIST) {
    writeSmallList(out, lengths, count);
    return;
  }
  // Tokens of code A (a length, or a repeated length) with code B's repeat counts.
  struct Repeat {
    int symbolA;
    int symbolB;  // -1 for a single length
    int extraBits;
    std::uint32_t extra;
  };
  std::vector<Repeat> tokens;
  std::uint64_t frequencies[TBZ_SMALL_LIST] = {};
  for (int s = 0; s < count;) {
    int run = 1;
    while (s + run < count && lengths[s + run] == lengths[s]) ++run;
    if (run < MIN_REPEAT_RUN) {
      for (int i = 0; i < run; ++i) tokens.push_back({lengths[s], -1, 0, 0});
    } else {
      const std::uint32_t repeatCount = static_cast<std::uint32_t>(run - TBZ_REPEAT_MIN);
      Repeat token{TBZ_REPEAT_BASE + lengths[s], static_cast<int>(repeatCount), 0, 0};
      if (repeatCount >= TBZ_COUNT_DIRECT) {
        const int k = bitWidth(repeatCount - TBZ_COUNT_BIAS) - 1;
        token = {TBZ_REPEAT_BASE + lengths[s], TBZ_COUNT_DIRECT + k, k,
                 repeatCount - TBZ_COUNT_BIAS - (std::uint32_t{1} << k)};
      }
      tokens.push_back(token);
    }
    s += run;
  }
  for (const Repeat& token : tokens) {
    ++frequencies[token.symbolA];
    if (token.symbolB >= 0) ++frequencies[TBZ_SMALL_CODE_SYMBOLS + token.symbolB];
  }
  std::uint8_t smallLengths[TBZ_SMALL_LIST];
  limitedHuffmanLengths(frequencies, TBZ_SMALL_CODE_SYMBOLS, MAX_SMALL_CODE_LENGTH, smallLengths);
  limitedHuffmanLengths(frequencies + TBZ_SMALL_CODE_SYMBOLS, TBZ_SMALL_CODE_SYMBOLS, MAX_SMALL_CODE_LENGTH,
                        smallLengths + TBZ_SMALL_CODE_SYMBOLS);
  writeSmallList(out, smallLengths, TBZ_SMALL_LIST);
  const SymbolWriter codeA(smallLengths, TBZ_SMALL_CODE_SYMBOLS);
  const SymbolWriter codeB(smallLengths + TBZ_SMALL_CODE_SYMBOLS, TBZ_SMALL_CODE_SYMBOLS);
  for (const Repeat& token : tokens) {
    codeA.write(out, token.symbolA);
    if (token.symbolB < 0) continue;
    codeB.write(out, token.symbolB);
    out.write(token.extra, token.extraBits);
  }
}

std::vector<std::uint8_t> writeCompressedLayout(const CompressedLayout& layout) {
  const auto blockCount = static_cast<std::uint32_t>(layout.blocks.size());
  const std::uint32_t fieldMask = (std::uint32_t{1} << layout.blockBits) - 1;
  std::vector<std::uint8_t> file(TBZ_FIXED_HEADER_SIZE + std::size_t{blockCount} * TBZ_BLOCK_RECORD_SIZE, 0);
  std::copy(TBZ_BANNER, TBZ_BANNER + TBZ_BANNER_SIZE, file.begin());
  file[TBZ_BLOCK_BITS_OFFSET] = static_cast<std::uint8_t>(layout.blockBits);
  file[TBZ_DISTANCE_COUNT_OFFSET] = TBZ_DISTANCE_COUNT;
  putBigEndian32(file, TBZ_BLOCK_COUNT_OFFSET, blockCount);
  putBigEndian32(file, TBZ_MAGIC_OFFSET, TBZ_MAGIC);

  // Sizes (a full 2^b is written as 0), the last block's length, the distances.
  BitWriter fields;
  for (const auto& block : layout.blocks)
    fields.write(static_cast<std::uint32_t>(block.size()) & fieldMask, layout.blockBits);
  fields.write(layout.lastBlockSize & fieldMask, layout.blockBits);
  for (std::uint32_t distance : layout.distances) fields.write(distance, layout.blockBits);
  fields.flush();
  writeCodeLengths(fields, layout.codeLengths, TBZ_SYMBOL_COUNT);
  fields.flush();
  file.insert(file.end(), fields.bytes.begin(), fields.bytes.end());

  const std::size_t headerLength = file.size() + TBZ_CHECKSUM_SIZE;
  putBigEndian32(file, TBZ_HEADER_LENGTH_OFFSET, static_cast<std::uint32_t>(headerLength));
  const std::uint32_t checksum = tbzChecksum(file.data(), file.size());
  file.resize(headerLength);
  putBigEndian32(file, headerLength - TBZ_CHECKSUM_SIZE, checksum);
  for (const auto& block : layout.blocks) file.insert(file.end(), block.begin(), block.end());
  return file;
}

std::vector<std::uint8_t> compressTablebase(const std::uint8_t* data, std::size_t size, CompressionStats* stats) {
  CompressedLayout layout;
  const std::vector<std::uint32_t> distances = chooseDistances(data, size);
  std::copy(distances.begin(), distances.end(), layout.distances);

  // Parse with guessed costs, build a code, parse again with the code's costs.
  std::vector<std::vector<Token>> blocks = parseBlocks(data, size, distances, CostModel(nullptr));
  buildCode(blocks, layout.codeLengths);
  blocks = parseBlocks(data, size, distances, CostModel(layout.codeLengths));
  buildCode(blocks, layout.codeLengths);

  const SymbolWriter code(layout.codeLengths, TBZ_SYMBOL_COUNT);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const std::size_t start = i * TBZ_BLOCK_SIZE;
    const std::size_t length = std::min(TBZ_BLOCK_SIZE, size - start);
    BitWriter out;
    for (const Token& token : blocks[i]) {
      code.write(out, token.symbol);
      if (token.symbol >= TBZ_LITERAL_COUNT) {
        const LengthCode lc = lengthCode(token.length);
        out.write(lc.extra, lc.extraBits);
      }
    }
    out.flush();
    // A block coded in no bits (a single-symbol code) still takes a byte: a zero
    // length field would mean a full block.
    if (out.bytes.empty()) out.bytes.push_back(0);
    // A block that does not shrink is stored as it is: its length then equals the
    // output length, which is what marks a stored block.
    if (out.bytes.size() >= length) {
      out.bytes.assign(data + start, data + start + length);
      if (stats) ++stats->storedBlocks;
    }
    layout.blocks.push_back(std::move(out.bytes));
  }
  layout.lastBlockSize = static_cast<std::uint32_t>(size - (blocks.size() - 1) * TBZ_BLOCK_SIZE);
  return writeCompressedLayout(layout);
}

}  // namespace velt
