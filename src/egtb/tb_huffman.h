// Canonical Huffman codes of the compressed tablebase format: codes are given by
// their lengths alone (0 = symbol absent); values increase with the length and,
// within a length, with the symbol number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "egtb/tb_bits.h"

namespace velt {

// A decode table has a primary lookup of 2^k entries followed by the node pairs of
// a binary tree for the codes longer than k bits. An entry >= 0 is symbol * 32 +
// code length; a primary entry < 0 is -n, the index of the node pair to continue
// with (entry n for a next bit 0, n + 1 for a 1); in the tree an entry >= 0 is a
// leaf.
constexpr std::size_t decodeTableSize(int primaryBits, int symbolCount) {
  return (std::size_t{1} << primaryBits) + 2 * static_cast<std::size_t>(symbolCount);
}
constexpr int DECODE_SYMBOL_SHIFT = 5;
constexpr int DECODE_LENGTH_MASK = 31;

enum class DecodeTableResult { READY, EMPTY, BROKEN };

// Builds the table for `count` code lengths (each 0..31). A complete code (Kraft
// sum exactly 1) gives READY; no used symbol gives EMPTY (nothing can be decoded);
// exactly one used symbol must have length 1 and is then decoded with zero bits.
// Anything else is BROKEN. `table` holds decodeTableSize(primaryBits, count) entries.
DecodeTableResult buildDecodeTable(const std::uint8_t* lengths, int count, int primaryBits,
                                   std::int16_t* table);

// Decodes one symbol of a READY table.
inline int decodeSymbol(const std::int16_t* table, int primaryBits, BitReader& in) {
  const std::uint32_t window = in.peek32();
  int entry = table[window >> (32 - primaryBits)];
  if (entry >= 0) {
    in.skip(entry & DECODE_LENGTH_MASK);
    return entry >> DECODE_SYMBOL_SHIFT;
  }
  int used = primaryBits;
  do {
    entry = table[-entry + static_cast<int>((window >> (31 - used)) & 1)];
    ++used;
  } while (entry < 0);
  in.skip(used);
  return entry >> DECODE_SYMBOL_SHIFT;
}

// Code values of the canonical code for `count` lengths (codes[s] is meaningful
// where lengths[s] > 0). A single used symbol gets code 0.
void canonicalCodes(const std::uint8_t* lengths, int count, std::uint32_t* codes);

// Lengths of a Huffman code for the given symbol frequencies, none longer than
// maxLength, forming a complete code (or the single-symbol or empty code).
void limitedHuffmanLengths(const std::uint64_t* frequencies, int count, int maxLength,
                           std::uint8_t* lengths);

}  // namespace velt
