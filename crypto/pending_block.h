// The partial input block a mode keeps between calls, and the buffered feed
// that every mode shares: complete the pending block first, then transform
// whole blocks straight from the input, then keep the remainder.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarrowin {

class CPendingBlock {
 public:
  explicit CPendingBlock(std::size_t block_size) : bytes_(block_size, 0) {}

  std::size_t BlockSize() const { return bytes_.size(); }
  void Clear() { count_ = 0; }

  // `transform(out, in, blocks)` handles whole blocks and returns 1 or 0.
  template <typename Transform>
  int Feed(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
           std::size_t in_length, Transform&& transform) {
    const std::size_t block = bytes_.size();
    out_length = 0;
    if (count_ != 0) {
      const std::size_t missing = block - count_;
      if (in_length < missing) {
        std::copy(in, in + in_length, bytes_.begin() + count_);
        count_ += in_length;
        return 1;
      }
      std::copy(in, in + missing, bytes_.begin() + count_);
      count_ = 0;
      if (!transform(out, bytes_.data(), 1)) return 0;
      out += block;
      out_length += block;
      in += missing;
      in_length -= missing;
    }
    const std::size_t whole = in_length / block;
    if (whole != 0 && !transform(out, in, whole)) return 0;
    out_length += whole * block;
    in += whole * block;
    count_ = in_length - whole * block;
    std::copy(in, in + count_, bytes_.begin());
    return 1;
  }

  // Completes a pending block with zero bytes and transforms it.
  template <typename Transform>
  int Finish(std::uint8_t* out, std::size_t& out_length, Transform&& transform) {
    out_length = 0;
    if (count_ == 0) return 1;
    std::fill(bytes_.begin() + count_, bytes_.end(), std::uint8_t{0});
    count_ = 0;
    if (!transform(out, bytes_.data(), 1)) return 0;
    out_length = bytes_.size();
    return 1;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t count_ = 0;
};

}  // namespace tarrowin
