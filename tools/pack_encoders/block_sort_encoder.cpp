// Block-sorting stage encoder. The rotations of a block sort as the
// suffixes of the block written twice: two rotations that differ do so
// within their first n bytes, and equal rotations may take any order.
#include "tools/pack_encoders/block_sort_encoder.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

#include "files/pack_stream_format.h"
#include "tools/pack_encoders/byte_output.h"
#include "tools/pack_encoders/suffix_sort.h"

namespace tarrowin::pack_encoding {
namespace {

void TransformBlock(std::span<const std::uint8_t> block, std::vector<std::uint8_t>& out) {
  const std::size_t n = block.size();
  std::vector<std::uint8_t> doubled(2 * n);
  std::copy(block.begin(), block.end(), doubled.begin());
  std::copy(block.begin(), block.end(), doubled.begin() + static_cast<std::ptrdiff_t>(n));
  const std::vector<std::int32_t> suffixes = SuffixArray(doubled);
  doubled.clear();
  doubled.shrink_to_fit();

  // Last column of the sorted rotations; the primary index is the row of
  // the block itself.
  std::vector<std::uint8_t> last(n);
  std::uint32_t primary = 0;
  std::size_t row = 0;
  for (const std::int32_t start : suffixes) {
    const auto s = static_cast<std::size_t>(start);
    if (s >= n) continue;
    if (s == 0) primary = static_cast<std::uint32_t>(row);
    last[row++] = block[(s + n - 1) % n];
  }
  AppendU32(out, primary);

  std::array<std::uint8_t, 256> list;
  for (int i = 0; i < 256; ++i) list[i] = static_cast<std::uint8_t>(i);
  for (const std::uint8_t byte : last) {
    std::uint8_t index = 0;
    while (list[index] != byte) ++index;
    std::copy_backward(list.begin(), list.begin() + index, list.begin() + index + 1);
    list[0] = byte;
    out.push_back(index);
  }
}

}  // namespace

std::vector<std::uint8_t> RunLengthEncode(std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::invalid_argument("run-length coding: 4 GiB or more");
  }
  std::vector<std::uint8_t> out;
  out.reserve(data.size() + data.size() / 16 + 8);
  AppendU32(out, static_cast<std::uint32_t>(data.size()));
  std::size_t i = 0;
  while (i < data.size()) {
    const std::uint8_t byte = data[i];
    std::size_t run = 1;
    while (i + run < data.size() && data[i + run] == byte) ++run;
    i += run;
    // A run of 257 may be followed by more of the same byte: the decoder
    // takes the next byte as pending whatever it is.
    while (run >= kMinRunLength) {
      const std::size_t piece = std::min<std::size_t>(run, kMaxRunLength);
      out.push_back(byte);
      out.push_back(byte);
      out.push_back(static_cast<std::uint8_t>(piece - kMinRunLength));
      run -= piece;
    }
    if (run == 1) out.push_back(byte);
  }
  return out;
}

std::vector<std::uint8_t> EncodeBlockSort(std::span<const std::uint8_t> data,
                                          std::uint32_t block_size) {
  if (block_size == 0 || block_size > kMaxBlockSortSize) {
    throw std::invalid_argument("block sorting: block size outside 1 to 4 MiB");
  }
  std::vector<std::uint8_t> blocks;
  blocks.reserve(data.size() + (data.size() / block_size + 1) * kBlockSortPrimaryBytes);
  for (std::size_t at = 0; at < data.size(); at += block_size) {
    TransformBlock(data.subspan(at, std::min<std::size_t>(block_size, data.size() - at)), blocks);
  }
  return RunLengthEncode(blocks);
}

}  // namespace tarrowin::pack_encoding
