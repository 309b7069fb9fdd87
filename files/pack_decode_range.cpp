// Range-coder stage decoder.
#include "files/pack_decode_range.h"

#include <algorithm>
#include <cstring>

namespace tarrowin {

std::uint32_t CRangeDecoder::Frequency() {
  const std::uint32_t first = input_.Byte();
  if (first & kRangeShortFrequency) return first & ~std::uint32_t{kRangeShortFrequency};
  return first + (input_.Byte() << 7);
}

// The set-up costs what the table's bytes cost: a table of pairs touches
// only the symbols it names (a later pair of the same symbol replaces the
// earlier one), and the slots are filled once, up to the frequencies' total.
std::uint32_t CRangeDecoder::BeginBlock() {
  const std::uint32_t symbols = input_.U32();
  const std::uint32_t header = input_.Byte();
  more_blocks_ = (header & kEntropyMoreBlocks) != 0;
  for (std::uint32_t i = 0; i < used_count_; ++i) frequency_[used_[i]] = 0;
  used_count_ = 0;
  switch (header & kRangeFormMask) {
    case kRangeFormPairs:
      for (std::uint32_t pairs = input_.Byte(); pairs > 0; --pairs) {
        const std::uint8_t symbol = input_.Byte();
        const std::uint32_t frequency = Frequency();
        if (frequency_[symbol] == 0 && frequency != 0) used_[used_count_++] = symbol;
        frequency_[symbol] = frequency;
      }
      // Cumulative frequencies go by symbol order, whatever the pairs' order.
      std::sort(used_.begin(), used_.begin() + used_count_);
      break;
    case kRangeFormAll:
      for (std::uint32_t symbol = 0; symbol < 256; ++symbol) {
        frequency_[symbol] = Frequency();
        if (frequency_[symbol] != 0) used_[used_count_++] = static_cast<std::uint8_t>(symbol);
      }
      break;
    default:
      StreamCheck(false);
  }
  // A table adding up to less than 4096 leaves slots of no symbol, which
  // decode as malformed; one adding up to more cannot be laid out.
  total_ = 0;
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < used_count_; ++i) {
    const std::uint8_t symbol = used_[i];
    // A pair that named its symbol again with frequency 0 took it out.
    if (frequency_[symbol] == 0) continue;
    used_[kept++] = symbol;
    cumulative_[symbol] = total_;
    StreamCheck(frequency_[symbol] <= kRangeTotal - total_);
    std::memset(slot_symbol_.data() + total_, symbol, frequency_[symbol]);
    total_ += frequency_[symbol];
  }
  used_count_ = kept;
  code_ = 0;
  for (int i = 0; i < 4; ++i) code_ = code_ << 8 | input_.Byte();
  range_ = kRangeInitial;
  return symbols;
}

void CRangeDecoder::Decode(std::uint8_t* out, std::uint32_t count) {
  if (count == 0) return;
  std::uint32_t range = range_;
  std::uint32_t code = code_;
  if (total_ == kRangeTotal && used_count_ == 1) {
    // One symbol holds every slot: each step keeps the code, and the range
    // loses its low 12 bits once and then stays, so no byte is ever read.
    StreamCheck(code / (range >> kRangeFrequencyBits) < total_);
    range_ = (range >> kRangeFrequencyBits) << kRangeFrequencyBits;
    std::memset(out, used_[0], count);
    return;
  }
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
