// Helpers shared by the crypto tests: reproducible random bytes, and running
// a whole message through a mode in pieces of chosen sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "crypto/cipher_mode.h"
#include "crypto/hash.h"

namespace tarrowin::testing {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::mt19937& rng, std::size_t count);

// Piece sizes that are odd and straddle block boundaries: 1, 3, 5, 7, 11,
// 13, 17, 31, 33, 63, 65, then again.
const std::vector<std::size_t>& OddPieces();

// Random piece sizes from 0 to `largest`, enough to cover `total` bytes.
std::vector<std::size_t> RandomPieces(std::mt19937& rng, std::size_t total, std::size_t largest);

enum class Direction { kEncrypt, kDecrypt };

// Feeds `in` to the mode in pieces of the given sizes (cycling through
// them), then finishes; returns everything written. Each piece's output is
// written at an odd address to catch alignment assumptions. Fails the test
// when an operation returns 0 or writes a length that is not whole blocks.
Bytes RunMode(ICipherMode& mode, Direction direction, const Bytes& in,
              const std::vector<std::size_t>& pieces, std::size_t block_size);

// The digest of `message`, fed in pieces of the given sizes (cycling).
Bytes DigestInPieces(IHash& hash, const Bytes& message, const std::vector<std::size_t>& pieces);

}  // namespace tarrowin::testing
