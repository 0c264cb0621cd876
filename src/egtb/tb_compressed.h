// Compressed tablebase files as the registration and the block cache see them: the
// names a compressed file may have, its registration, and the pool of decode work
// areas shared by the probing threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "egtb/tb_decompress.h"
#include "egtb/tb_fault.h"

namespace velt {

enum class CompressedRegistration { ABSENT, REGISTERED, DAMAGED };

// Looks for the compressed forms of plainName (".../kpk.nbw"): "kpk.nbw.emd",
// "kpk_nbw.emd", "kpknbw.emd", in that order. The first that opens is read and
// checked; a damaged one gives DAMAGED, with its fault and the fault's detail.
CompressedRegistration registerCompressedFile(const std::string& plainName, std::uint64_t positionCount,
                                              std::string& name, std::unique_ptr<CompressedFile>& descriptor,
                                              TablebaseFault& fault, std::string& detail);

// Work areas for decoding, one per thread at a time (taken after a block was found
// missing from the cache, given back once it is decoded); taking one waits until
// one is free. Fixed storage, so that registering compressed files cannot fail for
// want of memory.
constexpr int DECODE_BLOCK_COUNT = 16;
struct DecodeBlockPool {
  std::atomic<bool> lock{false};
  bool inUse[DECODE_BLOCK_COUNT] = {};  // under `lock`
  DecodeBlock blocks[DECODE_BLOCK_COUNT];
  DecodeBlockPool();
};
DecodeBlock* takeDecodeBlock(DecodeBlockPool& pool);
void returnDecodeBlock(DecodeBlockPool& pool, DecodeBlock* work);

}  // namespace velt
