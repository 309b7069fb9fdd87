// SHA-1 compression function (FIPS 180), with the 80 steps unrolled over a
// 16-word circular message schedule.
#include "crypto/sha1.h"

#include <bit>

#include "crypto/byte_order.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kInitial[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

inline std::uint32_t Ch(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline std::uint32_t Parity(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t Maj(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & y) | (z & (x | y));
}

}  // namespace

// Word t of the schedule, t >= 16, computed in place of word t - 16.
#define SHA1_W(t) \
  (w[(t)&15] = std::rotl(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t)&15], 1))
#define SHA1_STEP(f, k, a, b, c, d, e, wt)        \
  e += std::rotl(a, 5) + f(b, c, d) + (k) + (wt); \
  b = std::rotl(b, 30)
#define SHA1_FIVE(f, k, t, W)                 \
  SHA1_STEP(f, k, a, b, c, d, e, W((t) + 0)); \
  SHA1_STEP(f, k, e, a, b, c, d, W((t) + 1)); \
  SHA1_STEP(f, k, d, e, a, b, c, W((t) + 2)); \
  SHA1_STEP(f, k, c, d, e, a, b, W((t) + 3)); \
  SHA1_STEP(f, k, b, c, d, e, a, W((t) + 4))
#define SHA1_LOADED(t) w[t]

void CSHA1::Init() { SetState(kInitial); }

void CSHA1::Compress(const std::uint8_t* blocks, std::size_t count) {
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (; count != 0; --count, blocks += kBlockSize) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(blocks + 4 * i);
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;

    SHA1_FIVE(Ch, 0x5A827999, 0, SHA1_LOADED);
    SHA1_FIVE(Ch, 0x5A827999, 5, SHA1_LOADED);
    SHA1_FIVE(Ch, 0x5A827999, 10, SHA1_LOADED);
    SHA1_STEP(Ch, 0x5A827999, a, b, c, d, e, w[15]);
    SHA1_STEP(Ch, 0x5A827999, e, a, b, c, d, SHA1_W(16));
    SHA1_STEP(Ch, 0x5A827999, d, e, a, b, c, SHA1_W(17));
    SHA1_STEP(Ch, 0x5A827999, c, d, e, a, b, SHA1_W(18));
    SHA1_STEP(Ch, 0x5A827999, b, c, d, e, a, SHA1_W(19));
    SHA1_FIVE(Parity, 0x6ED9EBA1, 20, SHA1_W);
    SHA1_FIVE(Parity, 0x6ED9EBA1, 25, SHA1_W);
    SHA1_FIVE(Parity, 0x6ED9EBA1, 30, SHA1_W);
    SHA1_FIVE(Parity, 0x6ED9EBA1, 35, SHA1_W);
    SHA1_FIVE(Maj, 0x8F1BBCDC, 40, SHA1_W);
    SHA1_FIVE(Maj, 0x8F1BBCDC, 45, SHA1_W);
    SHA1_FIVE(Maj, 0x8F1BBCDC, 50, SHA1_W);
    SHA1_FIVE(Maj, 0x8F1BBCDC, 55, SHA1_W);
    SHA1_FIVE(Parity, 0xCA62C1D6, 60, SHA1_W);
    SHA1_FIVE(Parity, 0xCA62C1D6, 65, SHA1_W);
    SHA1_FIVE(Parity, 0xCA62C1D6, 70, SHA1_W);
    SHA1_FIVE(Parity, 0xCA62C1D6, 75, SHA1_W);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
    e += e0;
  }
  state_[0] = a;
  state_[1] = b;
  state_[2] = c;
  state_[3] = d;
  state_[4] = e;
}

#undef SHA1_W
#undef SHA1_STEP
#undef SHA1_FIVE
#undef SHA1_LOADED

}  // namespace tarrowin
