// Compresses uncompressed tablebase files (".nbw"/".nbb") into ".emd" files in the
// block format the engine reads, checks every block of the result by decoding it,
// and prints the compression ratio of each file.
//
//   tbcompress [-o DIR] FILE...   writes DIR/<name>.emd (default: beside FILE)
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "egtb/tb_compress.h"
#include "egtb/tb_decompress.h"
#include "platform/files.h"

using namespace velt;

namespace {

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::uint8_t chunk[1 << 16];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

// Decodes every block of the compressed file and compares it with the original.
bool verify(std::FILE* file, const std::vector<std::uint8_t>& original) {
  auto descriptor = std::make_unique<CompressedFile>();
  auto work = std::make_unique<DecodeBlock>();
  initDecodeBlock(*work);
  std::vector<std::uint8_t> block(TBZ_BLOCK_SIZE);
  bool ok = readCompressedHeader(file, *descriptor) == 0 && descriptor->uncompressedLength() == original.size();
  for (std::uint32_t i = 0; ok && i < descriptor->blockCount; ++i) {
    const std::size_t start = std::size_t{i} * TBZ_BLOCK_SIZE;
    const std::size_t length = compressedBlockLength(*descriptor, i);
    ok = readCompressedBlock(*work, *descriptor, file, i, block.data()) == 0 &&
         decodeBlock(*work, *descriptor, block.data() + length) == 0 &&
         std::memcmp(block.data(), original.data() + start, length) == 0;
  }
  return ok;
}

enum class WriteResult { WRITTEN, NOT_WRITTEN, NOT_DECODED };

// Writes beside the target, reads that file back through the decoder and renames it
// over the target only when every write succeeded and it decodes to the original.
WriteResult writeVerified(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          const std::vector<std::uint8_t>& original) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return WriteResult::NOT_WRITTEN;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  bool decoded = false;
  if (ok && (file = std::fopen(temporary.c_str(), "rb"))) {
    decoded = verify(file, original);
    std::fclose(file);
  }
  if (ok && decoded) ok = replaceFile(temporary.c_str(), path.c_str());
  if (!ok || !decoded) std::remove(temporary.c_str());
  return !ok ? WriteResult::NOT_WRITTEN : decoded ? WriteResult::WRITTEN : WriteResult::NOT_DECODED;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outputDirectory;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) outputDirectory = argv[++i];
    else inputs.emplace_back(argv[i]);
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: tbcompress [-o DIR] FILE...\n");
    return 2;
  }
  int failures = 0;
  std::uint64_t totalIn = 0, totalOut = 0;
  for (const std::string& input : inputs) {
    std::vector<std::uint8_t> original;
    if (!readWholeFile(input, original) || original.empty()) {
      std::fprintf(stderr, "%s: cannot read, or empty\n", input.c_str());
      ++failures;
      continue;
    }
    CompressionStats stats;
    std::vector<std::uint8_t> compressed = compressTablebase(original.data(), original.size(), &stats);
    const std::filesystem::path source(input);
    const std::string output =
        ((outputDirectory.empty() ? source.parent_path() : std::filesystem::path(outputDirectory)) /
         (source.filename().string() + ".emd"))
            .string();
    const WriteResult written = writeVerified(output, compressed, original);
    if (written == WriteResult::NOT_DECODED) {
      std::fprintf(stderr, "%s: compressed file does not decode to the original\n", input.c_str());
    } else if (written == WriteResult::NOT_WRITTEN) {
      std::fprintf(stderr, "%s: cannot write\n", output.c_str());
    }
    if (written != WriteResult::WRITTEN) {
      ++failures;
      continue;
    }
    totalIn += original.size();
    totalOut += compressed.size();
    std::printf("%s: %zu -> %zu bytes (%.1f%%), %zu stored blocks\n", output.c_str(), original.size(),
                compressed.size(), 100.0 * static_cast<double>(compressed.size()) / static_cast<double>(original.size()),
                stats.storedBlocks);
  }
  if (inputs.size() > 1 && totalIn > 0)
    std::printf("total: %" PRIu64 " -> %" PRIu64 " bytes (%.1f%%)\n", totalIn, totalOut,
                100.0 * static_cast<double>(totalOut) / static_cast<double>(totalIn));
  return failures == 0 ? 0 : 1;
}
