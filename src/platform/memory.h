// Big aligned blocks (the transposition table), with the large-page hint where the
// system takes one.
#pragma once

#include <cstddef>

namespace velt {

// `bytes` (a multiple of `alignment`) aligned to `alignment`; nullptr when out of
// memory. Released only by freeAligned.
void* allocateAligned(std::size_t alignment, std::size_t bytes);
void freeAligned(void* block);

}  // namespace velt
