// Reading compressed tablebase files: the header with its block index and main
// code, and the decoding of one block. Every byte of a file is untrusted: any
// inconsistency gives an error value (see tb_format.h), never a read outside the
// buffers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "egtb/tb_bits.h"
#include "egtb/tb_format.h"
#include "egtb/tb_huffman.h"

namespace velt {

// What registration keeps of one compressed file.
struct CompressedFile {
  int blockBits = 0;
  std::uint32_t blockSize = 0;
  std::uint32_t blockCount = 0;
  std::uint32_t lastBlockSize = 0;          // uncompressed length of the last block
  std::vector<std::uint64_t> blockOffsets;  // file offset of every block, and the end
  std::uint32_t distances[TBZ_DISTANCE_COUNT] = {};
  bool mainCodeEmpty = true;                // then every block must be stored
  std::int16_t mainTable[decodeTableSize(TBZ_MAIN_PRIMARY_BITS, TBZ_SYMBOL_COUNT)] = {};

  std::uint64_t uncompressedLength() const {
    return blockCount == 0 ? 0 : std::uint64_t{blockCount - 1} * blockSize + lastBlockSize;
  }
};

// Uncompressed length of a block: the block size, less for the last block.
inline std::uint32_t compressedBlockLength(const CompressedFile& descriptor, std::uint32_t block) {
  return block + 1 == descriptor.blockCount ? descriptor.lastBlockSize : descriptor.blockSize;
}

// Work area of one decoding thread: the compressed bytes of the block being
// decoded and where its decoding stands, so that a block can be decoded in several
// output requests (a match cut at the end of one request goes on in the next).
constexpr std::uint32_t DECODE_BLOCK_MARKER = 0x79A3F29Du;
constexpr std::uint32_t DECODE_INPUT_CAPACITY = TBZ_BLOCK_SIZE;

enum class DecodeState : std::uint8_t { IDLE, DECODING, DONE };

struct DecodeBlock {
  std::uint32_t marker = 0;
  DecodeState state = DecodeState::IDLE;
  std::uint8_t* outputStart = nullptr;
  std::uint8_t* output = nullptr;       // next byte to write
  std::uint8_t* outputLimit = nullptr;  // end of the block's output
  std::uint32_t pendingLength = 0;      // rest of a match cut by the last request
  std::uint32_t pendingDistance = 0;
  BitReader input;
  std::uint8_t buffer[DECODE_INPUT_CAPACITY + TBZ_READ_PADDING];
};

// Marks a work area as ready for use.
void initDecodeBlock(DecodeBlock& work);

// Reads and checks the header of an open file and fills the descriptor.
// Returns 0 or an error value.
std::uint32_t readCompressedHeader(std::FILE* file, CompressedFile& descriptor);

// Reads block blockNumber. A stored block (compressed length equal to its output
// length) goes straight to output; any other stays in the work area for
// decodeBlock, which writes it to output. output must hold the block's length.
std::uint32_t readCompressedBlock(DecodeBlock& work, const CompressedFile& descriptor,
                                  std::FILE* file, std::uint32_t blockNumber,
                                  std::uint8_t* output);

// Decodes the block read last up to outputEnd (at most to the end of the block).
// Once the block is complete it checks that the input was not overrun and no match
// is left over.
std::uint32_t decodeBlock(DecodeBlock& work, const CompressedFile& descriptor,
                          std::uint8_t* outputEnd);

// Reads a list of code lengths as the header stores them (also used by tests).
bool readCodeLengths(BitReader& in, int count, std::uint8_t* lengths);

}  // namespace velt
