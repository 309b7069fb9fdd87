// MT19937 generator.
#include "engine/mersenne_twister.h"

namespace tarrowin {
namespace {

constexpr int kMiddle = 397;
constexpr std::uint32_t kMatrix = 0x9908B0DFu;
constexpr std::uint32_t kUpper = 0x80000000u;
constexpr std::uint32_t kLower = 0x7FFFFFFFu;

std::uint32_t Twist(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
  const std::uint32_t y = (current & kUpper) | (next & kLower);
  return far ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
}

void PutWord(unsigned char* out, std::uint32_t w) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(w >> (8 * i));
}

std::uint32_t GetWord(const unsigned char* in) {
  return in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

}  // namespace

void CMersenneTwister::Regenerate() {
  constexpr int n = kWords;
  int k = 0;
  for (; k < n - kMiddle; ++k) words_[k] = Twist(words_[k], words_[k + 1], words_[k + kMiddle]);
  for (; k < n - 1; ++k) {
    words_[k] = Twist(words_[k], words_[k + 1], words_[k + kMiddle - n]);
  }
  words_[n] = words_[0];
  words_[n - 1] = Twist(words_[n - 1], words_[n], words_[kMiddle - 1]);
  index_ = 0;
}

std::uint32_t CMersenneTwister::Next32() {
  // A loaded state may carry any index: anything past the end regenerates.
  if (index_ >= static_cast<std::uint32_t>(kWords)) Regenerate();
  std::uint32_t y = words_[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

std::uint64_t CMersenneTwister::Next64() {
  const std::uint64_t a = Next32();
  const std::uint64_t b = Next32();
  const std::uint64_t c = Next32();
  return (a << 32) ^ (b << 16) ^ c;
}

void CMersenneTwister::Seed32(std::uint32_t seed) {
  std::uint32_t x = seed;
  for (int k = 0; k < kWords; ++k) {
    const std::uint32_t next = 69069u * x + 1u;
    words_[k] = (x & 0xFFFF0000u) | (next >> 16);
    x = 69069u * next + 1u;
  }
  words_[kWords] = words_[0];
  index_ = kWords;
}

void CMersenneTwister::Seed64(std::uint64_t seed) {
  const std::uint32_t halves[2] = {static_cast<std::uint32_t>(seed),
                                   static_cast<std::uint32_t>(seed >> 32)};
  SeedArray(halves, 2);
}

void CMersenneTwister::SeedArray(const std::uint32_t* words, std::size_t count) {
  constexpr std::size_t n = kWords;
  if (count == 0) return;  // callers give at least one word
  Seed32(kDefaultSeed);
  std::size_t i = 1;
  std::size_t j = 0;
  for (std::size_t k = n > count ? n : count; k != 0; --k) {
    words_[i] = (words_[i] ^ ((words_[i - 1] ^ (words_[i - 1] >> 30)) * 1664525u)) + words[j] +
                static_cast<std::uint32_t>(j);
    ++i;
    ++j;
    if (i >= n) {
      words_[0] = words_[n - 1];
      i = 1;
    }
    if (j >= count) j = 0;
  }
  for (std::size_t k = n - 1; k != 0; --k) {
    words_[i] = (words_[i] ^ ((words_[i - 1] ^ (words_[i - 1] >> 30)) * 1566083941u)) -
                static_cast<std::uint32_t>(i);
    ++i;
    if (i >= n) {
      words_[0] = words_[n - 1];
      i = 1;
    }
  }
  words_[0] = 0x80000000u;
  words_[n] = words_[0];
  index_ = kWords;
}

int CMersenneTwister::LoadState(const void* buffer, std::size_t byte_size) {
  if (buffer == nullptr || byte_size < StateSize()) return 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  index_ = GetWord(in);
  for (int k = 0; k <= kWords; ++k) words_[k] = GetWord(in + 4 + 4 * k);
  return 1;
}

int CMersenneTwister::SaveState(void* buffer, std::size_t byte_size) const {
  if (buffer == nullptr || byte_size < StateSize()) return 0;
  auto* out = static_cast<unsigned char*>(buffer);
  PutWord(out, index_);
  for (int k = 0; k <= kWords; ++k) PutWord(out + 4 + 4 * k, words_[k]);
  return 1;
}

}  // namespace tarrowin
