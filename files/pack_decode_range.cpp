// Range-coder stage decoder.
#include "files/pack_decode_range.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kFormMask = 0x1F;
constexpr std::uint32_t kFormPairs = 1;
constexpr std::uint32_t kFormAll = 2;
constexpr std::uint32_t kHeaderMoreBlocks = 0x80;
constexpr std::uint32_t kInitialRange = 0xC0000000;
constexpr std::uint32_t kRangeBottom = 1u << 24;

}  // namespace

// One byte with bit 7 set holds 0 to 127; a byte below 0x80 is the low
// seven bits of a two-byte value.
std::uint32_t CRangeDecoder::Frequency() {
  const std::uint32_t first = input_.Byte();
  if (first & 0x80) return first & 0x7F;
  return first + (input_.Byte() << 7);
}

std::uint32_t CRangeDecoder::BeginBlock() {
  const std::uint32_t symbols = input_.U32();
  const std::uint32_t header = input_.Byte();
  more_blocks_ = (header & kHeaderMoreBlocks) != 0;
  frequency_.fill(0);
  switch (header & kFormMask) {
    case kFormPairs:
      for (std::uint32_t pairs = input_.Byte(); pairs > 0; --pairs) {
        const std::uint8_t symbol = input_.Byte();
        frequency_[symbol] = Frequency();
      }
      break;
    case kFormAll:
      for (auto& frequency : frequency_) frequency = Frequency();
      break;
    default:
      StreamCheck(false);
  }
  // A table adding up to less than 4096 leaves slots of no symbol, which
  // decode as malformed; one adding up to more cannot be laid out.
  total_ = 0;
  for (int symbol = 0; symbol < 256; ++symbol) {
    cumulative_[symbol] = total_;
    total_ += frequency_[symbol];
    StreamCheck(total_ <= kRangeTotal);
    for (std::uint32_t slot = cumulative_[symbol]; slot < total_; ++slot) {
      slot_symbol_[slot] = static_cast<std::uint8_t>(symbol);
    }
  }
  code_ = 0;
  for (int i = 0; i < 4; ++i) code_ = code_ << 8 | input_.Byte();
  range_ = kInitialRange;
  return symbols;
}

void CRangeDecoder::Decode(std::uint8_t* out, std::uint32_t count) {
  std::uint32_t range = range_;
  std::uint32_t code = code_;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t r = range >> kRangeFrequencyBits;
    const std::uint32_t slot = code / r;
    StreamCheck(slot < total_);
    const std::uint8_t symbol = slot_symbol_[slot];
    code -= r * cumulative_[symbol];
    range = r * frequency_[symbol];
    while (range < kRangeBottom) {
      code = code << 8 | input_.Byte();
      range <<= 8;
    }
    out[i] = symbol;
  }
  range_ = range;
  code_ = code;
}

}  // namespace tarrowin
