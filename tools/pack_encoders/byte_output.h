// Little helpers of the encoders: little-endian values and a bit writer that
// packs codes from the most significant bit down.
#pragma once

#include <cstdint>
#include <vector>

namespace tarrowin::pack_encoding {

inline void AppendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  AppendU16(out, value & 0xFFFF);
  AppendU16(out, value >> 16);
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  // `length` is at most 32.
  void Put(std::uint32_t code, int length) {
    pending_ = pending_ << length | code;
    count_ += length;
    while (count_ >= 8) {
      count_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(pending_ >> count_));
    }
  }
  // Pads the last byte with zero bits.
  void Align() {
    if (count_ > 0) Put(0, 8 - count_);
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t pending_ = 0;
  int count_ = 0;
};

}  // namespace tarrowin::pack_encoding
