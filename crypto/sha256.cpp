// SHA-256 compression function (FIPS 180), with the 64 steps unrolled over a
// 16-word circular message schedule.
#include "crypto/sha256.h"

#include <bit>

#include "crypto/byte_order.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kInitial[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                       0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr std::uint32_t kRound[64] = {
    0x428A2F98, 0x71374491, 0xB5C0FBCF, 0xE9B5DBA5, 0x3956C25B, 0x59F111F1, 0x923F82A4, 0xAB1C5ED5,
    0xD807AA98, 0x12835B01, 0x243185BE, 0x550C7DC3, 0x72BE5D74, 0x80DEB1FE, 0x9BDC06A7, 0xC19BF174,
    0xE49B69C1, 0xEFBE4786, 0x0FC19DC6, 0x240CA1CC, 0x2DE92C6F, 0x4A7484AA, 0x5CB0A9DC, 0x76F988DA,
    0x983E5152, 0xA831C66D, 0xB00327C8, 0xBF597FC7, 0xC6E00BF3, 0xD5A79147, 0x06CA6351, 0x14292967,
    0x27B70A85, 0x2E1B2138, 0x4D2C6DFC, 0x53380D13, 0x650A7354, 0x766A0ABB, 0x81C2C92E, 0x92722C85,
    0xA2BFE8A1, 0xA81A664B, 0xC24B8B70, 0xC76C51A3, 0xD192E819, 0xD6990624, 0xF40E3585, 0x106AA070,
    0x19A4C116, 0x1E376C08, 0x2748774C, 0x34B0BCB5, 0x391C0CB3, 0x4ED8AA4A, 0x5B9CCA4F, 0x682E6FF3,
    0x748F82EE, 0x78A5636F, 0x84C87814, 0x8CC70208, 0x90BEFFFA, 0xA4506CEB, 0xBEF9A3F7, 0xC67178F2};

inline std::uint32_t Ch(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline std::uint32_t Maj(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & y) | (z & (x | y));
}
inline std::uint32_t Sigma0(std::uint32_t x) {
  return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22);
}
inline std::uint32_t Sigma1(std::uint32_t x) {
  return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25);
}
inline std::uint32_t sigma0(std::uint32_t x) {
  return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3);
}
inline std::uint32_t sigma1(std::uint32_t x) {
  return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10);
}

}  // namespace

// Word t of the schedule, t >= 16, computed in place of word t - 16.
#define SHA256_W(t) \
  (w[(t)&15] += sigma1(w[((t) + 14) & 15]) + w[((t) + 9) & 15] + sigma0(w[((t) + 1) & 15]))
#define SHA256_LOADED(t) w[t]
// One step with the eight working variables renamed instead of moved.
#define SHA256_STEP(a, b, c, d, e, f, g, h, t, W)  \
  h += Sigma1(e) + Ch(e, f, g) + kRound[t] + W(t); \
  d += h;                                          \
  h += Sigma0(a) + Maj(a, b, c)
#define SHA256_EIGHT(t, W)                         \
  SHA256_STEP(a, b, c, d, e, f, g, h, (t) + 0, W); \
  SHA256_STEP(h, a, b, c, d, e, f, g, (t) + 1, W); \
  SHA256_STEP(g, h, a, b, c, d, e, f, (t) + 2, W); \
  SHA256_STEP(f, g, h, a, b, c, d, e, (t) + 3, W); \
  SHA256_STEP(e, f, g, h, a, b, c, d, (t) + 4, W); \
  SHA256_STEP(d, e, f, g, h, a, b, c, (t) + 5, W); \
  SHA256_STEP(c, d, e, f, g, h, a, b, (t) + 6, W); \
  SHA256_STEP(b, c, d, e, f, g, h, a, (t) + 7, W)

void CSHA256::Init() { SetState(kInitial); }

void CSHA256::Compress(const std::uint8_t* blocks, std::size_t count) {
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (; count != 0; --count, blocks += kBlockSize) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(blocks + 4 * i);

    SHA256_EIGHT(0, SHA256_LOADED);
    SHA256_EIGHT(8, SHA256_LOADED);
    SHA256_EIGHT(16, SHA256_W);
    SHA256_EIGHT(24, SHA256_W);
    SHA256_EIGHT(32, SHA256_W);
    SHA256_EIGHT(40, SHA256_W);
    SHA256_EIGHT(48, SHA256_W);
    SHA256_EIGHT(56, SHA256_W);

    a = state_[0] += a;
    b = state_[1] += b;
    c = state_[2] += c;
    d = state_[3] += d;
    e = state_[4] += e;
    f = state_[5] += f;
    g = state_[6] += g;
    h = state_[7] += h;
  }
}

#undef SHA256_W
#undef SHA256_LOADED
#undef SHA256_STEP
#undef SHA256_EIGHT

}  // namespace tarrowin
