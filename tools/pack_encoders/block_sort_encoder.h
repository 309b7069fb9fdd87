// Block-sorting stage encoder: per block the Burrows-Wheeler transform by
// a suffix sort, move-to-front coding and the primary index; the blocks
// together run-length coded.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// Run-length codes `data` as the block-sorting decoder reads it back: a
// 32-bit count, then tokens of a byte or a run of 2 to 257 equal bytes.
std::vector<std::uint8_t> RunLengthEncode(std::span<const std::uint8_t> data);

// Transforms `data` in blocks of `block_size` bytes (1 to 4 MiB) and
// returns the run-length coded stream.
std::vector<std::uint8_t> EncodeBlockSort(std::span<const std::uint8_t> data,
                                          std::uint32_t block_size);

}  // namespace tarrowin::pack_encoding
