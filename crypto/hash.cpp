// Folding and comparison helpers shared by every digest.
#include "crypto/hash.h"

#include <algorithm>
#include <array>

namespace tarrowin {

void IHash::Fold(std::uint8_t* out, std::size_t length) const {
  if (length == 0) return;
  std::array<std::uint8_t, kMaxDigestSize> digest;
  GetDigest(digest.data());
  std::fill(out, out + length, std::uint8_t{0});
  const std::size_t size = DigestSize();
  for (std::size_t i = 0; i < size; ++i) out[i % length] ^= digest[i];
}

bool IHash::Equals(const std::uint8_t* bytes) const {
  std::array<std::uint8_t, kMaxDigestSize> digest;
  GetDigest(digest.data());
  return std::equal(digest.begin(), digest.begin() + DigestSize(), bytes);
}

bool IHash::EqualsFolded(const std::uint8_t* bytes, std::size_t length) const {
  // Only the first min(length, DigestSize()) bytes can be non-zero; the rest
  // of a longer buffer must be zero.
  std::array<std::uint8_t, kMaxDigestSize> folded;
  const std::size_t head = std::min(length, DigestSize());
  Fold(folded.data(), head);
  if (!std::equal(folded.begin(), folded.begin() + head, bytes)) return false;
  return std::all_of(bytes + head, bytes + length, [](std::uint8_t b) { return b == 0; });
}

}  // namespace tarrowin
