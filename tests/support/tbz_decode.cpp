#include "support/tbz_decode.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "egtb/tb_decompress.h"

namespace velt {

DecodedFile decodeCompressedFile(const std::vector<std::uint8_t>& file, std::size_t requestSize) {
  DecodedFile result;
  std::vector<std::uint8_t> copy = file;
  copy.push_back(0);  // fmemopen needs a non-empty buffer
  std::FILE* stream = fmemopen(copy.data(), file.size(), "rb");
  if (!stream) return {tbzError(TBZ_READ_ERROR, TBZ_AT_HEADER_READ), {}};
  auto descriptor = std::make_unique<CompressedFile>();
  auto work = std::make_unique<DecodeBlock>();
  initDecodeBlock(*work);
  result.error = readCompressedHeader(stream, *descriptor);
  std::vector<std::uint8_t> block(descriptor->blockSize);
  for (std::uint32_t i = 0; result.error == 0 && i < descriptor->blockCount; ++i) {
    const std::size_t length = compressedBlockLength(*descriptor, i);
    result.error = readCompressedBlock(*work, *descriptor, stream, i, block.data());
    for (std::size_t done = 0; result.error == 0 && done < length;) {
      done = requestSize == 0 ? length : std::min(length, done + requestSize);
      result.error = decodeBlock(*work, *descriptor, block.data() + done);
    }
    if (result.error == 0) result.bytes.insert(result.bytes.end(), block.begin(), block.begin() + length);
  }
  std::fclose(stream);
  return result;
}

void resignCompressedHeader(std::vector<std::uint8_t>& file) {
  if (file.size() < TBZ_MIN_HEADER_LENGTH) return;
  const std::size_t length = std::size_t{file[TBZ_HEADER_LENGTH_OFFSET]} << 24 |
                             std::size_t{file[TBZ_HEADER_LENGTH_OFFSET + 1]} << 16 |
                             std::size_t{file[TBZ_HEADER_LENGTH_OFFSET + 2]} << 8 | file[TBZ_HEADER_LENGTH_OFFSET + 3];
  if (length < TBZ_MIN_HEADER_LENGTH || length > file.size()) return;  // no header to sign
  const std::uint32_t sum = tbzChecksum(file.data(), length - TBZ_CHECKSUM_SIZE);
  for (int i = 0; i < 4; ++i) file[length - TBZ_CHECKSUM_SIZE + i] = static_cast<std::uint8_t>(sum >> (24 - 8 * i));
}

}  // namespace velt
