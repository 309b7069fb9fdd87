// The format of the compression stages' streams, written once for the
// decoders here and the encoders of tools/pack_encoders: the header bits and
// form codes of entropy blocks, the range coder's bounds, the limits of
// matches, runs and blocks, and so what a stream can make a decoder
// allocate.
#pragma once

#include <cstdint>

namespace tarrowin {

// Entropy blocks (Huffman and range coder) start with a 32-bit symbol count
// and a header byte whose top bit says that another block follows.
inline constexpr std::uint8_t kEntropyMoreBlocks = 0x80;

// Huffman blocks: header bit 0 clear and bit 1 set, then the 256 code
// lengths packed two to a byte, the even symbol in the low half. Codes are
// at most 15 bits.
inline constexpr std::uint8_t kHuffmanHeaderClear = 0x01;
inline constexpr std::uint8_t kHuffmanHeaderSet = 0x02;
inline constexpr int kHuffmanLengthBytes = 128;
inline constexpr int kMaxHuffmanLength = 15;

// Range-coder blocks: the header's low five bits give the form of the
// frequency table, pairs of symbol and frequency or all 256 frequencies. A
// frequency byte with the top bit set holds 0 to 127 alone; one without is
// the low seven bits of a two-byte value. The frequencies add up to 2^12;
// the range starts at 0xC0000000 and takes a code byte whenever it falls
// below 2^24.
inline constexpr std::uint8_t kRangeFormMask = 0x1F;
inline constexpr std::uint8_t kRangeFormPairs = 1;
inline constexpr std::uint8_t kRangeFormAll = 2;
inline constexpr std::uint8_t kRangeShortFrequency = 0x80;
inline constexpr int kRangeFrequencyBits = 12;
inline constexpr std::uint32_t kRangeTotal = 1u << kRangeFrequencyBits;
inline constexpr std::uint32_t kRangeInitial = 0xC0000000;
inline constexpr std::uint32_t kRangeBottom = 1u << 24;

// Sliding window: 2 << e bytes, so at most 64 KiB (e at most 15). A match
// is a 16-bit distance and a length byte over the shortest match; no
// distance reaches past the window or 65535 bytes back. The decoder's
// history buffer adds one 64 KiB output piece and one longest match.
inline constexpr std::uint32_t kMaxWindowExponent = 15;
inline constexpr std::uint32_t kMinMatchLength = 4;
inline constexpr std::uint32_t kMaxMatchLength = kMinMatchLength + 255;
inline constexpr std::uint32_t kMaxMatchDistance = 65535;

// Block sorting: each block is a 32-bit primary index and at most 4 MiB of
// data (table A's largest), run-length coded as one stream: two equal
// bytes and a count byte make a run of 2 to 257. The inverse transform
// adds two 32-bit words per data byte (byte and link packed, which needs
// block lengths below 2^24): 36 MiB for the largest block.
inline constexpr std::uint32_t kMaxBlockSortSize = 4u << 20;
inline constexpr std::uint32_t kBlockSortPrimaryBytes = 4;
inline constexpr std::uint32_t kMinRunLength = 2;
inline constexpr std::uint32_t kMaxRunLength = kMinRunLength + 255;

// Intermediate buffer between an entropy stage and a first stage: at most
// 1 MiB (table C's largest).
inline constexpr std::uint32_t kMaxEntropyCapacity = 1u << 20;

}  // namespace tarrowin
