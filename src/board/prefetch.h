// Cache warming for make-move: the position just reached looks up a hash table next,
// so make-move starts loading that entry while it evaluates. The owner of the table
// registers where a key's entry lies; the board layer knows nothing else about it.
#pragma once

#include <cstdint>

namespace velt {

struct PrefetchTarget {
  std::uintptr_t base = 0;        // address of entry 0; 0 while there is no table
  std::uint32_t indexMask = 0;    // applied to the low 32 bits of the key
  std::uint32_t entryBytes = 0;
};

// Written only between searches, by whoever (re)allocates the table.
extern PrefetchTarget prefetchTarget;

inline void prefetchAddress(const void* address) { __builtin_prefetch(address); }

inline void prefetchForKey(std::uint64_t key) {
  const std::uintptr_t index = static_cast<std::uint32_t>(key) & prefetchTarget.indexMask;
  prefetchAddress(reinterpret_cast<const void*>(prefetchTarget.base + index * prefetchTarget.entryBytes));
}

}  // namespace velt
