// Entropy block splitting: a shortest path over chunk boundaries, each
// candidate block priced as its zero-order entropy plus its table.
#include "tools/pack_encoders/entropy_blocks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tarrowin::pack_encoding {
namespace {

constexpr std::size_t kMinChunk = 4096;
constexpr std::size_t kMaxChunks = 4096;

}  // namespace

std::vector<std::size_t> SplitEntropyBlocks(std::span<const std::uint8_t> data,
                                            std::size_t max_block, const TableCost& table_cost) {
  const std::size_t size = data.size();
  if (size <= kMinChunk || max_block <= kMinChunk) {
    std::vector<std::size_t> blocks;
    for (std::size_t at = 0; at < size; at += max_block)
      blocks.push_back(std::min(max_block, size - at));
    if (blocks.empty()) blocks.push_back(0);
    return blocks;
  }
  // Chunks are the unit of the search; large inputs get larger chunks.
  const std::size_t chunk =
      std::min(max_block, std::max(kMinChunk, (size + kMaxChunks - 1) / kMaxChunks));
  const std::size_t chunks = (size + chunk - 1) / chunk;
  const std::size_t max_span = std::max<std::size_t>(1, max_block / chunk);

  // Symbol counts before each chunk boundary.
  std::vector<std::array<std::uint32_t, 256>> prefix(chunks + 1);
  prefix[0].fill(0);
  for (std::size_t c = 0; c < chunks; ++c) {
    prefix[c + 1] = prefix[c];
    const std::size_t end = std::min(size, (c + 1) * chunk);
    for (std::size_t i = c * chunk; i < end; ++i) ++prefix[c + 1][data[i]];
  }
  // x log2 x for every count a block can hold.
  const std::size_t most = std::min(size, max_span * chunk);
  std::vector<float> x_log_x(most + 1, 0.0f);
  for (std::size_t x = 1; x <= most; ++x) {
    x_log_x[x] = static_cast<float>(static_cast<double>(x) * std::log2(static_cast<double>(x)));
  }
  std::vector<double> table_bits(257);
  for (int distinct = 0; distinct <= 256; ++distinct) table_bits[distinct] = table_cost(distinct);

  std::vector<double> best(chunks + 1, std::numeric_limits<double>::infinity());
  std::vector<std::size_t> from(chunks + 1, 0);
  best[0] = 0;
  for (std::size_t end = 1; end <= chunks; ++end) {
    const std::size_t first = end > max_span ? end - max_span : 0;
    for (std::size_t begin = first; begin < end; ++begin) {
      double bits = 0;
      int distinct = 0;
      std::size_t total = 0;
      for (int s = 0; s < 256; ++s) {
        const std::uint32_t count = prefix[end][s] - prefix[begin][s];
        if (count == 0) continue;
        ++distinct;
        total += count;
        bits -= x_log_x[count];
      }
      bits += x_log_x[total] + table_bits[distinct];
      if (best[begin] + bits < best[end]) {
        best[end] = best[begin] + bits;
        from[end] = begin;
      }
    }
  }
  std::vector<std::size_t> blocks;
  for (std::size_t end = chunks; end > 0; end = from[end]) {
    const std::size_t begin = from[end];
    blocks.push_back(std::min(size, end * chunk) - begin * chunk);
  }
  std::reverse(blocks.begin(), blocks.end());
  return blocks;
}

std::vector<std::uint8_t> EncodeEntropyBlocks(std::span<const std::uint8_t> data,
                                              std::size_t max_block, const TableCost& table_cost,
                                              const BlockEncoder& encode) {
  const std::vector<std::size_t> blocks = SplitEntropyBlocks(data, max_block, table_cost);
  std::vector<std::uint8_t> out;
  out.reserve(data.size() / 2 + 1024);
  std::size_t at = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    encode(data.subspan(at, blocks[i]), i + 1 == blocks.size(), out);
    at += blocks[i];
  }
  return out;
}

}  // namespace tarrowin::pack_encoding
