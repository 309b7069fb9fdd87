// Huffman stage encoder.
#include "tools/pack_encoders/huffman_encoder.h"

#include <algorithm>

#include "files/pack_stream_format.h"
#include "tools/pack_encoders/byte_output.h"
#include "tools/pack_encoders/entropy_blocks.h"

namespace tarrowin::pack_encoding {
namespace {

// A block's count, header byte and code lengths.
constexpr double kTableBits = (4 + 1 + kHuffmanLengthBytes) * 8;

struct Item {
  std::uint64_t weight;
  int symbol;  // -1 for a package of two items of the level below
};

}  // namespace

// Package-merge: level 0 holds the leaves at the deepest length; every
// level above merges the leaves with the pairs of the level below. The
// first 2n - 2 items of the top level, expanded, give each leaf's length.
std::array<std::uint8_t, 256> HuffmanCodeLengths(const std::array<std::uint64_t, 256>& counts,
                                                 int limit) {
  std::array<std::uint8_t, 256> lengths{};
  std::vector<Item> leaves;
  for (int symbol = 0; symbol < 256; ++symbol) {
    if (counts[symbol] != 0) leaves.push_back({counts[symbol], symbol});
  }
  if (leaves.empty()) return lengths;
  if (leaves.size() == 1) {
    lengths[leaves[0].symbol] = 1;
    return lengths;
  }
  std::stable_sort(leaves.begin(), leaves.end(),
                   [](const Item& a, const Item& b) { return a.weight < b.weight; });
  std::vector<std::vector<Item>> levels(limit);
  levels[0] = leaves;
  for (int level = 1; level < limit; ++level) {
    const std::vector<Item>& below = levels[level - 1];
    std::vector<Item> packages;
    for (std::size_t i = 0; i + 1 < below.size(); i += 2) {
      packages.push_back({below[i].weight + below[i + 1].weight, -1});
    }
    std::vector<Item>& merged = levels[level];
    merged.reserve(leaves.size() + packages.size());
    std::merge(leaves.begin(), leaves.end(), packages.begin(), packages.end(),
               std::back_inserter(merged),
               [](const Item& a, const Item& b) { return a.weight < b.weight; });
  }
  std::size_t take = 2 * leaves.size() - 2;
  for (int level = limit - 1; level >= 0 && take > 0; --level) {
    std::size_t packages = 0;
    for (std::size_t i = 0; i < take; ++i) {
      const Item& item = levels[level][i];
      if (item.symbol < 0) {
        ++packages;
      } else {
        ++lengths[item.symbol];
      }
    }
    take = 2 * packages;
  }
  return lengths;
}

namespace {

void EncodeBlock(std::span<const std::uint8_t> block, bool last, std::vector<std::uint8_t>& out) {
  std::array<std::uint64_t, 256> counts{};
  for (const std::uint8_t byte : block) ++counts[byte];
  const auto lengths = HuffmanCodeLengths(counts, kMaxHuffmanLength);

  AppendU32(out, static_cast<std::uint32_t>(block.size()));
  out.push_back(last ? kHuffmanHeaderSet
                     : static_cast<std::uint8_t>(kHuffmanHeaderSet | kEntropyMoreBlocks));
  for (int i = 0; i < 256; i += 2) {
    out.push_back(static_cast<std::uint8_t>(lengths[i] | lengths[i + 1] << 4));
  }
  // Canonical codes, as the decoder builds them.
  std::array<std::uint32_t, kMaxHuffmanLength + 1> per_length{};
  for (const std::uint8_t length : lengths) ++per_length[length];
  per_length[0] = 0;
  std::array<std::uint32_t, kMaxHuffmanLength + 1> next{};
  std::uint32_t code = 0;
  for (int length = 1; length <= kMaxHuffmanLength; ++length) {
    next[length] = code;
    code = (code + per_length[length]) << 1;
  }
  std::array<std::uint32_t, 256> codes{};
  for (int symbol = 0; symbol < 256; ++symbol) {
    if (lengths[symbol] != 0) codes[symbol] = next[lengths[symbol]]++;
  }
  BitWriter bits(out);
  for (const std::uint8_t byte : block) bits.Put(codes[byte], lengths[byte]);
  bits.Align();
}

}  // namespace

std::vector<std::uint8_t> EncodeHuffman(std::span<const std::uint8_t> data, std::size_t max_block) {
  std::vector<std::uint8_t> out = EncodeEntropyBlocks(
      data, max_block, [](int) { return kTableBits; }, EncodeBlock);
  // The decoder looks up to two bytes past the last code.
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace tarrowin::pack_encoding
