// Huffman stage encoder: length-limited canonical codes per block, blocks
// cut where the statistics change, two zero bytes after the last block for
// the decoder's look-ahead.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// Optimal code lengths of at most `limit` bits (package-merge) for the
// symbols with a non-zero count; a lone symbol gets length 1.
std::array<std::uint8_t, 256> HuffmanCodeLengths(const std::array<std::uint64_t, 256>& counts,
                                                 int limit);

// Encodes `data` as Huffman blocks of at most `max_block` symbols.
std::vector<std::uint8_t> EncodeHuffman(std::span<const std::uint8_t> data, std::size_t max_block);

}  // namespace tarrowin::pack_encoding
