// The block-buffering layer shared by the 64-byte-block digests (MD5, SHA-1,
// SHA-256): byte counting, buffering of partial blocks and the padding of
// the last block. Subclasses supply the compression function.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/hash.h"

namespace tarrowin {

class CBlockHash : public IHash {
 public:
  static constexpr std::size_t kBlockSize = 64;

  void Update(const std::uint8_t* data, std::size_t length) override;
  void Final() override;
  void GetDigest(std::uint8_t* out) const override;
  std::size_t DigestSize() const override { return state_size_; }

  // Copies DigestSize() bytes of chaining state from `words` (zeros when
  // null) and restarts the byte count and the buffer.
  void SetState(const std::uint32_t* words);

 protected:
  enum class ByteOrder { kLittle, kBig };

  CBlockHash(std::size_t state_size, ByteOrder order) : state_size_(state_size), order_(order) {}

  // Processes `count` consecutive 64-byte blocks into the state.
  virtual void Compress(const std::uint8_t* blocks, std::size_t count) = 0;

  std::array<std::uint32_t, 8> state_{};

 private:
  const std::size_t state_size_;
  // Word order of the digest and of the length field in the last block.
  const ByteOrder order_;
  std::size_t fill_ = 0;
  // Message length in bytes, modulo 2^64.
  std::uint64_t total_ = 0;
  std::array<std::uint8_t, kBlockSize> block_{};
};

}  // namespace tarrowin
