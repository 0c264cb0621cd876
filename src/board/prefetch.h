// Cache warming for make-move: the position just reached looks up a hash table next,
// so make-move starts loading that entry while it evaluates. The search gives each
// position it works on the place where a key's entry lies; the board layer knows
// nothing else about the table.
#pragma once

#include <cstdint>

namespace velt {

struct PrefetchTarget {
  std::uintptr_t base = 0;        // address of entry 0; 0 while there is no table
  std::uint32_t indexMask = 0;    // applied to the low 32 bits of the key
  std::uint32_t entryBytes = 0;
};

inline void prefetchAddress(const void* address) { __builtin_prefetch(address); }

inline void prefetchForKey(const PrefetchTarget& target, std::uint64_t key) {
  const std::uintptr_t index = static_cast<std::uint32_t>(key) & target.indexMask;
  prefetchAddress(reinterpret_cast<const void*>(target.base + index * target.entryBytes));
}

}  // namespace velt
