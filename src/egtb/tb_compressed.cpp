#include "egtb/tb_compressed.h"

#include <cstdio>
#include <thread>

namespace velt {

namespace {

// The three compressed forms of a name ending in ".nbw" or ".nbb".
void compressedNames(const std::string& plainName, std::string names[3]) {
  const std::size_t dot = plainName.size() - 4;
  const std::string stem = plainName.substr(0, dot), suffix = plainName.substr(dot + 1);
  names[0] = plainName + ".emd";
  names[1] = stem + "_" + suffix + ".emd";
  names[2] = stem + suffix + ".emd";
}

}  // namespace

CompressedRegistration registerCompressedFile(const std::string& plainName, std::uint64_t positionCount,
                                              std::string& name, std::unique_ptr<CompressedFile>& descriptor,
                                              TablebaseFault& fault, std::string& detail) {
  std::string names[3];
  compressedNames(plainName, names);
  std::FILE* file = nullptr;
  for (const std::string& candidate : names) {
    if ((file = std::fopen(candidate.c_str(), "rb"))) {
      name = candidate;
      break;
    }
  }
  if (!file) return CompressedRegistration::ABSENT;
  auto read = std::make_unique<CompressedFile>();
  const std::uint32_t error = readCompressedHeader(file, *read);
  std::fclose(file);
  if (error != 0) {
    fault = TablebaseFault::UNREADABLE;
    detail = tbzErrorText(error);
  } else if (read->blockSize != TBZ_BLOCK_SIZE) {
    fault = TablebaseFault::UNSUPPORTED_BLOCK_SIZE;
    detail = std::to_string(static_cast<int>(read->blockSize));
  } else if (positionCount != 0 && read->uncompressedLength() != positionCount) {
    fault = TablebaseFault::CORRUPTED;
  } else {
    descriptor = std::move(read);
    return CompressedRegistration::REGISTERED;
  }
  return CompressedRegistration::DAMAGED;
}

DecodeBlockPool::DecodeBlockPool() {
  for (DecodeBlock& block : blocks) initDecodeBlock(block);
}

DecodeBlock* takeDecodeBlock(DecodeBlockPool& pool) {
  for (;;) {
    while (pool.lock.exchange(true, std::memory_order_acquire)) {
    }
    for (int i = 0; i < DECODE_BLOCK_COUNT; ++i) {
      if (pool.inUse[i]) continue;
      pool.inUse[i] = true;
      pool.lock.store(false, std::memory_order_release);
      return &pool.blocks[i];
    }
    pool.lock.store(false, std::memory_order_release);
    std::this_thread::yield();
  }
}

void returnDecodeBlock(DecodeBlockPool& pool, DecodeBlock* work) {
  while (pool.lock.exchange(true, std::memory_order_acquire)) {
  }
  pool.inUse[work - pool.blocks] = false;
  pool.lock.store(false, std::memory_order_release);
}

}  // namespace velt
