#include "egtb/tb_huffman.h"

#include <algorithm>
#include <queue>
#include <vector>

#include "egtb/tb_format.h"

namespace velt {

void canonicalCodes(const std::uint8_t* lengths, int count, std::uint32_t* codes) {
  int lengthCount[TBZ_MAX_CODE_LENGTH + 1] = {};
  for (int s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  lengthCount[0] = 0;
  std::uint32_t next[TBZ_MAX_CODE_LENGTH + 1] = {};
  std::uint32_t code = 0;
  for (int length = 1; length <= TBZ_MAX_CODE_LENGTH; ++length) {
    code = (code + static_cast<std::uint32_t>(lengthCount[length - 1])) << 1;
    next[length] = code;
  }
  for (int s = 0; s < count; ++s)
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
}

DecodeTableResult buildDecodeTable(const std::uint8_t* lengths, int count, int primaryBits,
                                   std::int16_t* table) {
  const std::size_t primarySize = std::size_t{1} << primaryBits;
  int used = 0, lastUsed = 0;
  std::uint64_t kraft = 0;  // in units of 2^-31
  for (int s = 0; s < count; ++s) {
    if (lengths[s] > TBZ_MAX_CODE_LENGTH) return DecodeTableResult::BROKEN;
    if (lengths[s] == 0) continue;
    ++used;
    lastUsed = s;
    kraft += std::uint64_t{1} << (TBZ_MAX_CODE_LENGTH - lengths[s]);
  }
  if (used == 0) return DecodeTableResult::EMPTY;
  if (used == 1) {
    // The only symbol takes no bits at all.
    if (lengths[lastUsed] != 1) return DecodeTableResult::BROKEN;
    std::fill(table, table + primarySize, static_cast<std::int16_t>(lastUsed << DECODE_SYMBOL_SHIFT));
    return DecodeTableResult::READY;
  }
  if (kraft != std::uint64_t{1} << TBZ_MAX_CODE_LENGTH) return DecodeTableResult::BROKEN;

  std::uint32_t codes[TBZ_SYMBOL_COUNT];
  canonicalCodes(lengths, count, codes);
  std::fill(table, table + decodeTableSize(primaryBits, count), std::int16_t{0});
  std::size_t nextNode = primarySize;
  for (int s = 0; s < count; ++s) {
    const int length = lengths[s];
    if (length == 0) continue;
    const auto leaf = static_cast<std::int16_t>(s << DECODE_SYMBOL_SHIFT | length);
    if (length <= primaryBits) {
      const std::size_t first = std::size_t{codes[s]} << (primaryBits - length);
      std::fill(table + first, table + first + (std::size_t{1} << (primaryBits - length)), leaf);
      continue;
    }
    // Walk (and grow) the tree below the primary entry of the code's first k bits.
    std::int16_t* slot = &table[codes[s] >> (length - primaryBits)];
    for (int bit = length - primaryBits - 1; bit >= 0; --bit) {
      if (*slot > 0) return DecodeTableResult::BROKEN;  // not prefix-free
      if (*slot == 0) {
        // A complete code never needs more pairs than it has symbols.
        if (nextNode + 2 > decodeTableSize(primaryBits, count)) return DecodeTableResult::BROKEN;
        *slot = static_cast<std::int16_t>(-static_cast<int>(nextNode));
        nextNode += 2;
      }
      slot = &table[-*slot + static_cast<int>((codes[s] >> bit) & 1)];
    }
    *slot = leaf;
  }
  return DecodeTableResult::READY;
}

namespace {

// Code length of every used symbol in an unlimited Huffman code (at least two used).
std::vector<int> huffmanDepths(const std::vector<std::uint64_t>& weights) {
  const int leaves = static_cast<int>(weights.size());
  std::vector<int> parent(2 * leaves - 1, -1);
  using Node = std::pair<std::uint64_t, int>;
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> queue;
  for (int i = 0; i < leaves; ++i) queue.push({weights[i], i});
  int next = leaves;
  while (queue.size() > 1) {
    const Node a = queue.top();
    queue.pop();
    const Node b = queue.top();
    queue.pop();
    parent[a.second] = parent[b.second] = next;
    queue.push({a.first + b.first, next++});
  }
  std::vector<int> depth(2 * leaves - 1, 0);
  for (int node = next - 2; node >= 0; --node) depth[node] = depth[parent[node]] + 1;
  depth.resize(leaves);
  return depth;
}

}  // namespace

void limitedHuffmanLengths(const std::uint64_t* frequencies, int count, int maxLength,
                           std::uint8_t* lengths) {
  std::vector<int> symbols;
  for (int s = 0; s < count; ++s) {
    lengths[s] = 0;
    if (frequencies[s] > 0) symbols.push_back(s);
  }
  if (symbols.empty()) return;
  if (symbols.size() == 1) {
    lengths[symbols[0]] = 1;
    return;
  }
  std::vector<std::uint64_t> weights;
  for (int s : symbols) weights.push_back(frequencies[s]);
  const std::vector<int> depth = huffmanDepths(weights);

  // Count the codes per length, then move the over-long ones up: two leaves at the
  // deepest level become one leaf a level higher, and a shorter leaf is split into
  // two, which keeps the code complete.
  const int deepest = *std::max_element(depth.begin(), depth.end());
  std::vector<int> lengthCount(std::max(deepest, maxLength) + 1, 0);
  for (int d : depth) ++lengthCount[d];
  for (int length = deepest; length > maxLength; --length) {
    while (lengthCount[length] > 0) {
      int shorter = length - 2;
      while (lengthCount[shorter] == 0) --shorter;
      lengthCount[length] -= 2;
      lengthCount[length - 1] += 1;
      lengthCount[shorter + 1] += 2;
      lengthCount[shorter] -= 1;
    }
  }
  // The most frequent symbols take the shortest codes.
  std::stable_sort(symbols.begin(), symbols.end(),
                   [&](int a, int b) { return frequencies[a] > frequencies[b]; });
  std::size_t next = 0;
  for (int length = 1; length <= maxLength; ++length)
    for (int i = 0; i < lengthCount[length]; ++i) lengths[symbols[next++]] = static_cast<std::uint8_t>(length);
}

}  // namespace velt
