// RC6 key schedule and block transforms, words little-endian.
#include "crypto/rc6.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "crypto/byte_order.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kP32 = 0xB7E15163;
constexpr std::uint32_t kQ32 = 0x9E3779B9;

inline int Amount(std::uint32_t x) { return static_cast<int>(x & 31); }

// rotl(x * (2x + 1), 5): the data-dependent rotation amount of a round.
inline std::uint32_t Mix(std::uint32_t x) { return std::rotl(x * (2 * x + 1), 5); }

}  // namespace

int CRC6::SetKey(const std::uint8_t* key, std::size_t length) {
  const std::size_t words = length / 4;
  if (words == 0) {
    keyed_ = false;
    return 0;
  }
  std::vector<std::uint32_t> l(words);
  for (std::size_t n = 0; n < words; ++n) l[n] = LoadLE32(key + 4 * n);

  auto& s = round_keys_;
  s[0] = kP32;
  for (std::size_t n = 1; n < s.size(); ++n) s[n] = s[n - 1] + kQ32;

  std::uint32_t a = 0, b = 0;
  std::size_t i = 0, j = 0;
  const std::size_t steps = 3 * std::max(words, s.size());
  for (std::size_t step = 0; step < steps; ++step) {
    a = s[i] = std::rotl(s[i] + a + b, 3);
    b = l[j] = std::rotl(l[j] + a + b, Amount(a + b));
    i = (i + 1) % s.size();
    j = (j + 1) % words;
  }
  keyed_ = true;
  return 1;
}

int CRC6::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!keyed_) return 0;
  const auto& s = round_keys_;
  for (; count != 0; --count, in += 16, out += 16) {
    std::uint32_t a = LoadLE32(in), b = LoadLE32(in + 4);
    std::uint32_t c = LoadLE32(in + 8), d = LoadLE32(in + 12);
    b += s[0];
    d += s[1];
    for (int r = 1; r <= kRounds; ++r) {
      const std::uint32_t t = Mix(b);
      const std::uint32_t u = Mix(d);
      a = std::rotl(a ^ t, Amount(u)) + s[2 * r];
      c = std::rotl(c ^ u, Amount(t)) + s[2 * r + 1];
      const std::uint32_t first = a;
      a = b;
      b = c;
      c = d;
      d = first;
    }
    a += s[2 * kRounds + 2];
    c += s[2 * kRounds + 3];
    StoreLE32(out, a);
    StoreLE32(out + 4, b);
    StoreLE32(out + 8, c);
    StoreLE32(out + 12, d);
  }
  return 1;
}

int CRC6::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!keyed_) return 0;
  const auto& s = round_keys_;
  for (; count != 0; --count, in += 16, out += 16) {
    std::uint32_t a = LoadLE32(in), b = LoadLE32(in + 4);
    std::uint32_t c = LoadLE32(in + 8), d = LoadLE32(in + 12);
    c -= s[2 * kRounds + 3];
    a -= s[2 * kRounds + 2];
    for (int r = kRounds; r >= 1; --r) {
      const std::uint32_t last = d;
      d = c;
      c = b;
      b = a;
      a = last;
      const std::uint32_t u = Mix(d);
      const std::uint32_t t = Mix(b);
      c = std::rotr(c - s[2 * r + 1], Amount(t)) ^ u;
      a = std::rotr(a - s[2 * r], Amount(u)) ^ t;
    }
    d -= s[1];
    b -= s[0];
    StoreLE32(out, a);
    StoreLE32(out + 4, b);
    StoreLE32(out + 8, c);
    StoreLE32(out + 12, d);
  }
  return 1;
}

}  // namespace tarrowin
