// Helpers shared by the crypto tests.
#include "tests/crypto/crypto_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarrowin::testing {

Bytes RandomBytes(std::mt19937& rng, std::size_t count) {
  Bytes out(count);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

const std::vector<std::size_t>& OddPieces() {
  static const std::vector<std::size_t> pieces = {1, 3, 5, 7, 11, 13, 17, 31, 33, 63, 65};
  return pieces;
}

std::vector<std::size_t> RandomPieces(std::mt19937& rng, std::size_t total, std::size_t largest) {
  std::vector<std::size_t> pieces;
  std::uniform_int_distribution<std::size_t> size(0, largest);
  for (std::size_t covered = 0; covered < total;) {
    pieces.push_back(size(rng));
    covered += pieces.back();
  }
  if (pieces.empty()) pieces.push_back(0);
  return pieces;
}

Bytes DigestInPieces(IHash& hash, const Bytes& message, const std::vector<std::size_t>& pieces) {
  hash.Init();
  std::size_t at = 0;
  for (std::size_t n = 0; at < message.size(); ++n) {
    const std::size_t size = std::min(pieces[n % pieces.size()], message.size() - at);
    hash.Update(message.data() + at, size);
    at += size;
  }
  hash.Final();
  Bytes digest(hash.DigestSize());
  hash.GetDigest(digest.data());
  return digest;
}

}  // namespace tarrowin::testing
