// Range-coder stage decoder: blocks of a symbol count, a header byte, a
// frequency table adding up to 4096, four bytes of initial code and the
// coded symbols.
#pragma once

#include <array>
#include <cstdint>

#include "files/pack_decode_entropy.h"
#include "files/pack_stream_format.h"

namespace tarrowin {

class CRangeDecoder final : public CEntropyDecoder {
 public:
  explicit CRangeDecoder(CPackInput& input) : input_(input) {}
  std::uint32_t BeginBlock() override;
  void Decode(std::uint8_t* out, std::uint32_t count) override;

 private:
  std::uint32_t Frequency();

  CPackInput& input_;
  std::uint32_t range_ = 0;
  std::uint32_t code_ = 0;
  // Sum of the block's frequencies: slots from here on belong to no symbol.
  std::uint32_t total_ = 0;
  std::array<std::uint32_t, 256> frequency_{};
  std::array<std::uint32_t, 256> cumulative_{};
  // The symbols of non-zero frequency, in ascending order.
  std::array<std::uint8_t, 256> used_{};
  std::uint32_t used_count_ = 0;
  std::array<std::uint8_t, kRangeTotal> slot_symbol_{};
};

}  // namespace tarrowin
