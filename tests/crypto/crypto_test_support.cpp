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

Bytes RunMode(ICipherMode& mode, Direction direction, const Bytes& in,
              const std::vector<std::size_t>& pieces, std::size_t block_size) {
  Bytes result;
  std::size_t at = 0;
  for (std::size_t n = 0; at < in.size() || n == 0; ++n) {
    const std::size_t size = std::min(pieces[n % pieces.size()], in.size() - at);
    // Room for a full block more than the piece, one byte in for alignment.
    Bytes out(size + block_size + 1, 0xEE);
    Bytes piece(in.begin() + at, in.begin() + at + size);
    std::size_t written = 12345;
    const int ok = direction == Direction::kEncrypt
                       ? mode.Encrypt(out.data() + 1, written, piece.data(), size)
                       : mode.Decrypt(out.data() + 1, written, piece.data(), size);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(written % block_size, 0u);
    EXPECT_LT(written, size + block_size);
    result.insert(result.end(), out.begin() + 1, out.begin() + 1 + written);
    at += size;
  }
  Bytes out(block_size + 1);
  std::size_t written = 12345;
  const int ok = direction == Direction::kEncrypt ? mode.FinishEncrypt(out.data() + 1, written)
                                                  : mode.FinishDecrypt(out.data() + 1, written);
  EXPECT_EQ(ok, 1);
  EXPECT_TRUE(written == 0 || written == block_size) << written;
  result.insert(result.end(), out.begin() + 1, out.begin() + 1 + written);
  return result;
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
