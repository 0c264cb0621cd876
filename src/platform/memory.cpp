// Aligned allocation: the C library's on POSIX, the CRT's own on Windows (which has
// no aligned_alloc).
#include "platform/memory.h"

#include <cstdlib>

#ifdef _WIN32
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace velt {

void* allocateAligned(std::size_t alignment, std::size_t bytes) {
#ifdef _WIN32
  return _aligned_malloc(bytes, alignment);
#else
  void* block = std::aligned_alloc(alignment, bytes);
#ifdef __linux__
  // Large pages spare the address translation misses of random probes into a big table.
  if (block != nullptr) madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
#endif
}

void freeAligned(void* block) {
#ifdef _WIN32
  _aligned_free(block);
#else
  std::free(block);
#endif
}

}  // namespace velt
