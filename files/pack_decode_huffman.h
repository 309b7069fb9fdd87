// Huffman stage decoder: blocks of a symbol count, a header byte, 256 code
// lengths in 128 bytes and canonical codes packed from the most significant
// bit down, padded to a byte.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "files/pack_decode_entropy.h"
#include "files/pack_stream_format.h"

namespace tarrowin {

class CHuffmanDecoder final : public CEntropyDecoder {
 public:
  explicit CHuffmanDecoder(CPackInput& input);
  std::uint32_t BeginBlock() override;
  void Decode(std::uint8_t* out, std::uint32_t count) override;

 private:
  void Refill();
  std::uint32_t AlignedByte();
  void BuildTable(const std::uint8_t* lengths);
  // The entry of a code longer than the table's bits, found from its
  // length's first code; 0 where no code lies.
  std::uint32_t LongEntry(std::uint64_t bits) const;
  // The entry of the next code at the top of `bits`; throws where no code
  // lies.
  std::uint32_t Entry(std::uint64_t bits) const;

  // Codes up to this many bits are decoded by one table look-up; the table
  // of a block has at most 2^10 entries, so a block's set-up stays small
  // beside its 133 header bytes. Longer codes take a few steps more.
  static constexpr int kTableBits = 10;
  static constexpr std::uint16_t kLongCode = 0x00FF;

  CPackInput& input_;
  // Bits not yet used, first bit at the top. Bits below `count_` may hold a
  // copy of the following input already; refills write the same values.
  std::uint64_t bits_ = 0;
  int count_ = 0;
  // Zero bits appended after the end of the input: the decoder may look
  // ahead past the last code, but a code that uses them is malformed.
  int phantom_ = 0;
  int max_length_ = 0;
  // Indexed by the next table_bits_ bits (at most kTableBits):
  // symbol << 8 | code length; kLongCode where only longer codes begin;
  // 0 where no code of an incomplete code set lies.
  int table_bits_ = 0;
  std::vector<std::uint16_t> table_;
  // Canonical order for the longer codes: per length its first code, the
  // number of its codes and where its symbols start in `sorted_`.
  std::array<std::uint32_t, kMaxHuffmanLength + 1> first_code_{};
  std::array<std::uint32_t, kMaxHuffmanLength + 1> length_count_{};
  std::array<std::uint32_t, kMaxHuffmanLength + 1> sorted_start_{};
  std::array<std::uint8_t, 256> sorted_{};
};

}  // namespace tarrowin
