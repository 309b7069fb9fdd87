// Buffering and final padding of the 64-byte-block digests (RFC 1321 and
// FIPS 180 padding: a 0x80 byte, zeros, then the bit length in 8 bytes).
#include "crypto/block_hash.h"

#include <algorithm>
#include <cstring>

#include "crypto/byte_order.h"

namespace tarrowin {

void CBlockHash::SetState(const std::uint32_t* words) {
  state_.fill(0);
  if (words != nullptr) std::copy(words, words + state_size_ / 4, state_.begin());
  fill_ = 0;
  total_ = 0;
}

void CBlockHash::Update(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return;
  total_ += length;
  if (fill_ != 0) {
    const std::size_t take = std::min(length, kBlockSize - fill_);
    std::memcpy(block_.data() + fill_, data, take);
    fill_ += take;
    data += take;
    length -= take;
    if (fill_ < kBlockSize) return;
    Compress(block_.data(), 1);
    fill_ = 0;
  }
  // Whole blocks go straight from the caller's buffer.
  const std::size_t whole = length / kBlockSize;
  if (whole != 0) Compress(data, whole);
  data += whole * kBlockSize;
  length -= whole * kBlockSize;
  std::memcpy(block_.data(), data, length);
  fill_ = length;
}

void CBlockHash::Final() {
  const std::uint64_t bits = total_ * 8;
  block_[fill_++] = 0x80;
  if (fill_ > kBlockSize - 8) {
    std::fill(block_.begin() + fill_, block_.end(), std::uint8_t{0});
    Compress(block_.data(), 1);
    fill_ = 0;
  }
  std::fill(block_.begin() + fill_, block_.end() - 8, std::uint8_t{0});
  std::uint8_t* length_field = block_.data() + kBlockSize - 8;
  if (order_ == ByteOrder::kBig) {
    StoreBE32(length_field, static_cast<std::uint32_t>(bits >> 32));
    StoreBE32(length_field + 4, static_cast<std::uint32_t>(bits));
  } else {
    StoreLE32(length_field, static_cast<std::uint32_t>(bits));
    StoreLE32(length_field + 4, static_cast<std::uint32_t>(bits >> 32));
  }
  Compress(block_.data(), 1);
  fill_ = 0;
}

void CBlockHash::GetDigest(std::uint8_t* out) const {
  for (std::size_t i = 0; i < state_size_ / 4; ++i) {
    if (order_ == ByteOrder::kBig) {
      StoreBE32(out + 4 * i, state_[i]);
    } else {
      StoreLE32(out + 4 * i, state_[i]);
    }
  }
}

}  // namespace tarrowin
