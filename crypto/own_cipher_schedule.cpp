// The key schedule shared by the own ciphers.
#include "crypto/own_cipher_schedule.h"

#include <algorithm>
#include <bit>

#include "crypto/own_cipher_tables.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kConstants[8] = {0x243F6A89, 0xB7E15163, 0x9E3779B9, 0x6F2DEC55,
                                         0x6A09E668, 0xBB67AE86, 0xB504F334, 0x93CD3A2D};

std::uint32_t Sub(std::uint32_t x) {
  const auto& s = kKeyScheduleTables;
  return s[0][x & 0xFF] | static_cast<std::uint32_t>(s[1][(x >> 8) & 0xFF]) << 8 |
         static_cast<std::uint32_t>(s[2][(x >> 16) & 0xFF]) << 16 |
         static_cast<std::uint32_t>(s[3][x >> 24]) << 24;
}

}  // namespace

const std::uint8_t kRoundTableRows[16][8] = {
    {3, 0, 6, 5, 2, 1, 7, 4}, {2, 4, 0, 6, 3, 5, 1, 7}, {3, 1, 7, 5, 2, 0, 6, 4},
    {0, 3, 6, 5, 1, 2, 7, 4}, {3, 1, 4, 7, 2, 0, 5, 6}, {6, 3, 4, 0, 7, 2, 5, 1},
    {4, 6, 2, 1, 5, 7, 3, 0}, {6, 5, 2, 1, 7, 4, 3, 0}, {6, 2, 4, 0, 7, 3, 5, 1},
    {7, 4, 2, 1, 6, 5, 3, 0}, {5, 1, 3, 6, 4, 0, 2, 7}, {1, 4, 6, 2, 0, 5, 7, 3},
    {6, 3, 1, 4, 7, 2, 0, 5}, {7, 3, 5, 1, 6, 2, 4, 0}, {3, 4, 6, 1, 2, 5, 7, 0},
    {5, 6, 1, 3, 4, 7, 0, 2}};

void LoadKeyWords(std::uint32_t* words, std::size_t word_count, const std::uint8_t* key,
                  std::size_t length) {
  std::fill(words, words + word_count, 0u);
  const std::size_t used = std::min(length, 4 * word_count);
  for (std::size_t n = 0; n < used; ++n) {
    words[n / 4] |= static_cast<std::uint32_t>(key[n]) << (8 * (n % 4));
  }
}

void ScheduleKeyWords(std::uint32_t* words, std::size_t word_count, int steps, int offset,
                      std::uint32_t* selectors) {
  std::uint32_t a = 0;
  for (int i = 0; i < steps; ++i) {
    std::uint32_t& k = words[static_cast<std::size_t>(i) % word_count];
    a = (a + kConstants[(i + offset) % 8]) ^ k;
    if (selectors != nullptr) selectors[i % 4] = (a >> 7) & 0xF;
    k = Sub(a);
  }
}

void RotationsFromKeyWords(std::uint32_t* rotations, const std::uint32_t* words,
                           std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) {
    rotations[k] = (static_cast<std::uint32_t>(std::popcount(words[k])) + k) % 32;
  }
}

}  // namespace tarrowin
