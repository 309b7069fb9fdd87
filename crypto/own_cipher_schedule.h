// What the three own ciphers share: the block-size rule, the key schedule
// built on the S tables and eight constants, and the rotation amounts drawn
// from the scheduled key words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

// P: for each row, the round tables of bytes 0 to 3 of a word in
// encryption, then their inverses for decryption (entry 4 + k inverts k).
extern const std::uint8_t kRoundTableRows[16][8];

// Block sizes of the own ciphers: a multiple of 4 from 4 to 16 bytes.
constexpr bool IsOwnCipherBlockSize(std::uint32_t bytes) {
  return bytes >= 4 && bytes <= 16 && bytes % 4 == 0;
}

// Clears `words` key words and fills them with the first bytes of the key
// as little-endian words; a shorter key leaves zeros.
void LoadKeyWords(std::uint32_t* words, std::size_t word_count, const std::uint8_t* key,
                  std::size_t length);

// The shared schedule: a = 0; for i = 0 .. steps - 1, with w = i mod
// word_count: a = (a + C[(i + offset) mod 8]) ^ K[w]; K[w] = Sub(a). When
// `selectors` is given, selectors[i mod 4] = (a >> 7) & 15 at each step.
void ScheduleKeyWords(std::uint32_t* words, std::size_t word_count, int steps, int offset,
                      std::uint32_t* selectors);

// R[k] = (set bits of K[k] + k) mod 32.
void RotationsFromKeyWords(std::uint32_t* rotations, const std::uint32_t* words, std::size_t count);

}  // namespace tarrowin
