// The message digest interface of the pack archive code, with the helpers
// that fold a digest into a key, an initial value or a check value of any
// length and compare stored bytes with a digest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

class IHash {
 public:
  // The largest digest of any implementation (SHA-256).
  static constexpr std::size_t kMaxDigestSize = 32;

  virtual ~IHash() = default;
  // Starts a new message.
  virtual void Init() = 0;
  virtual void Update(const std::uint8_t* data, std::size_t length) = 0;
  // Pads and processes the last block; the digest is then readable until the
  // next Init or Update.
  virtual void Final() = 0;
  // Writes DigestSize() bytes.
  virtual void GetDigest(std::uint8_t* out) const = 0;
  virtual std::size_t DigestSize() const = 0;

  // out[0 .. length) = 0, then out[i mod length] ^= digest[i] for every
  // digest byte: a longer buffer gets the digest followed by zeros.
  void Fold(std::uint8_t* out, std::size_t length) const;
  // True if the DigestSize() bytes at `bytes` equal the digest.
  bool Equals(const std::uint8_t* bytes) const;
  // True if the `length` bytes at `bytes` equal Fold(·, length); length 0
  // compares nothing and is true.
  bool EqualsFolded(const std::uint8_t* bytes, std::size_t length) const;
};

}  // namespace tarrowin
