// libFuzzer target of the compressed tablebase decoder. An input starting with an
// even byte is taken as a whole file; otherwise its bytes are patches (offset
// high, offset low, value) applied to a valid file, whose header checksum is made
// right again when the second byte is odd, so that changes reach the block
// decoder. Every file is decoded in whole and in cut requests.
// Built by `make fuzz` (clang).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "egtb/tb_compress.h"
#include "support/tbz_decode.h"

using namespace velt;

namespace {

std::vector<std::uint8_t> validFile() {
  std::vector<std::uint8_t> data(2 * TBZ_BLOCK_SIZE + 300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 61 == 0 ? i * 13 : i % 9);
  return compressTablebase(data.data(), data.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> base = validFile();
  std::vector<std::uint8_t> file;
  if (size == 0 || data[0] % 2 == 0) {
    file.assign(data, data + size);
  } else {
    file = base;
    for (std::size_t i = 2; i + 2 < size; i += 3)
      file[(std::size_t{data[i]} << 8 | data[i + 1]) % file.size()] = data[i + 2];
    if (size > 1 && data[1] % 2 == 1) resignCompressedHeader(file);
  }
  decodeCompressedFile(file);
  decodeCompressedFile(file, 3);
  return 0;
}
