// The byte permutations of the program's own ciphers. The values come from
// tools/cipher_tables, which derives them from fixed generator seeds, so
// that every archive tool that follows the same procedure shares them.
#pragma once

#include <cstdint>

namespace tarrowin {

// S0 .. S3: the key-schedule substitution, one table per byte of a word.
extern const std::uint8_t kKeyScheduleTables[4][256];
// T0 .. T7: the round substitutions; T(2m + 1) is the inverse of T(2m).
extern const std::uint8_t kRoundTables[8][256];

}  // namespace tarrowin
