// Decoding whole compressed tablebase files held in memory, for the tests of the
// compressor and the decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velt {

struct DecodedFile {
  std::uint32_t error = 0;          // first error value, 0 when all went well
  std::vector<std::uint8_t> bytes;  // the blocks decoded before any error
};

// Reads the header, then each block, decoding it in requests of `requestSize`
// bytes (0: the whole block at once) so that matches are cut between requests.
DecodedFile decodeCompressedFile(const std::vector<std::uint8_t>& file, std::size_t requestSize = 0);

// Recomputes the header checksum after a test changed header bytes (when the
// header length field still fits the file).
void resignCompressedHeader(std::vector<std::uint8_t>& file);

}  // namespace velt
