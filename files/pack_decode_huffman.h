// Huffman stage decoder: blocks of a symbol count, a header byte, 256 code
// lengths in 128 bytes and canonical codes packed from the most significant
// bit down, padded to a byte.
#pragma once

#include <cstdint>
#include <vector>

#include "files/pack_decode_entropy.h"

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

  CPackInput& input_;
  // Bits not yet used, first bit at the top. Bits below `count_` may hold a
  // copy of the following input already; refills write the same values.
  std::uint64_t bits_ = 0;
  int count_ = 0;
  // Zero bits appended after the end of the input: the decoder may look
  // ahead past the last code, but a code that uses them is malformed.
  int phantom_ = 0;
  int max_length_ = 0;
  // Indexed by the next max_length_ bits: symbol << 8 | code length, or 0
  // where no code of an incomplete code set lies.
  std::vector<std::uint16_t> table_;
};

}  // namespace tarrowin
