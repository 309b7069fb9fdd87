// Upper limits on what a packed stream can make the decoders allocate. The
// window comes from the stream itself; the block sizes come from the flags'
// tables, whose largest values these are.
#pragma once

#include <cstdint>

namespace tarrowin {

// Sliding window: 2 << e bytes, so at most 64 KiB (e at most 15). Its
// history buffer adds one 64 KiB output piece and one longest match.
inline constexpr std::uint32_t kMaxWindowExponent = 15;
inline constexpr std::uint32_t kMinMatchLength = 4;
inline constexpr std::uint32_t kMaxMatchLength = 259;

// Block sorting: at most 4 MiB of data per block (table A's largest); the
// block buffer holds that plus the primary index, and the inverse transform
// adds two 32-bit words per data byte (byte and link packed, which needs
// block lengths below 2^24): 36 MiB for the largest block.
inline constexpr std::uint32_t kMaxBlockSortSize = 4u << 20;

// Intermediate buffer between an entropy stage and a first stage: at most
// 1 MiB (table C's largest).
inline constexpr std::uint32_t kMaxEntropyCapacity = 1u << 20;

// Huffman codes are at most 15 bits. The range coder's frequencies add up
// to 2^12.
inline constexpr int kMaxHuffmanLength = 15;
// Codes up to this many bits are decoded by one table look-up; the table
// of a block has at most 2^10 entries, so a block's set-up stays small
// beside its 133 header bytes. Longer codes take a few steps more.
inline constexpr int kHuffmanTableBits = 10;
inline constexpr int kRangeFrequencyBits = 12;
inline constexpr std::uint32_t kRangeTotal = 1u << kRangeFrequencyBits;

}  // namespace tarrowin
