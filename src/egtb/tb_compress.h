// Writing compressed tablebase files (".emd") from the generator's uncompressed
// ones: the file writer, and the compressor that chooses the 24 match distances,
// parses each 8192-byte block into literals and matches and codes them with one
// length-limited Huffman code per file. The engine only reads these files; the
// compressor tool and the tests use this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "egtb/tb_bits.h"
#include "egtb/tb_format.h"

namespace velt {

// Everything a compressed file holds, before it is laid out.
struct CompressedLayout {
  int blockBits = TBZ_BLOCK_BITS;
  std::uint32_t distances[TBZ_DISTANCE_COUNT] = {};
  std::uint8_t codeLengths[TBZ_SYMBOL_COUNT] = {};
  // The bytes of every block as stored: a block whose length equals its output
  // length is stored uncompressed, any other is coded with codeLengths.
  std::vector<std::vector<std::uint8_t>> blocks;
  std::uint32_t lastBlockSize = 0;  // uncompressed length of the last block
};

// The whole file: header (banner, fields, block sizes, distances, code lengths,
// checksum) followed by the blocks.
std::vector<std::uint8_t> writeCompressedLayout(const CompressedLayout& layout);

// Appends a list of code lengths in the header's coding (the reader is
// readCodeLengths).
void writeCodeLengths(BitWriter& out, const std::uint8_t* lengths, int count);

// Writes one symbol of a canonical code given by its lengths; a code with a single
// used symbol takes no bits.
struct SymbolWriter {
  const std::uint8_t* lengths;
  std::vector<std::uint32_t> codes;
  bool singleSymbol;
  SymbolWriter(const std::uint8_t* codeLengths, int count);
  void write(BitWriter& out, int symbol) const {
    if (!singleSymbol) out.write(codes[symbol], lengths[symbol]);
  }
};

struct CompressionStats {
  std::size_t storedBlocks = 0;
};

// Compresses a whole uncompressed tablebase file (at least one byte) into
// 8192-byte blocks.
std::vector<std::uint8_t> compressTablebase(const std::uint8_t* data, std::size_t size,
                                            CompressionStats* stats = nullptr);

}  // namespace velt
