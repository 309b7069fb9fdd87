// Camellia key schedule and rounds (RFC 3713), with the S-boxes and the P
// function merged into four 32-bit tables.
#include "crypto/camellia.h"

#include <bit>

#include "crypto/byte_order.h"

namespace tarrowin {
namespace {

// SBOX1 of RFC 3713; SBOX2, SBOX3 and SBOX4 are rotations of it.
constexpr std::uint8_t kSbox1[256] = {
    112, 130, 44,  236, 179, 39,  192, 229, 228, 133, 87,  53,  234, 12,  174, 65,  35,  239, 107,
    147, 69,  25,  165, 33,  237, 14,  79,  78,  29,  101, 146, 189, 134, 184, 175, 143, 124, 235,
    31,  206, 62,  48,  220, 95,  94,  197, 11,  26,  166, 225, 57,  202, 213, 71,  93,  61,  217,
    1,   90,  214, 81,  86,  108, 77,  139, 13,  154, 102, 251, 204, 176, 45,  116, 18,  43,  32,
    240, 177, 132, 153, 223, 76,  203, 194, 52,  126, 118, 5,   109, 183, 169, 49,  209, 23,  4,
    215, 20,  88,  58,  97,  222, 27,  17,  28,  50,  15,  156, 22,  83,  24,  242, 34,  254, 68,
    207, 178, 195, 181, 122, 145, 36,  8,   232, 168, 96,  252, 105, 80,  170, 208, 160, 125, 161,
    137, 98,  151, 84,  91,  30,  149, 224, 255, 100, 210, 16,  196, 0,   72,  163, 247, 117, 219,
    138, 3,   230, 218, 9,   63,  221, 148, 135, 92,  131, 2,   205, 74,  144, 51,  115, 103, 246,
    243, 157, 127, 191, 226, 82,  155, 216, 38,  200, 55,  198, 59,  129, 150, 111, 75,  19,  190,
    99,  46,  233, 121, 167, 140, 159, 110, 188, 142, 41,  245, 249, 182, 47,  253, 180, 89,  120,
    152, 6,   106, 231, 70,  113, 186, 212, 37,  171, 66,  136, 162, 141, 250, 114, 7,   185, 85,
    248, 238, 172, 10,  54,  73,  42,  104, 60,  56,  241, 164, 64,  40,  211, 123, 187, 201, 67,
    193, 21,  227, 173, 244, 119, 199, 128, 158};

constexpr std::uint64_t kSigma[6] = {0xA09E667F3BCC908B, 0xB67AE8584CAA73B2, 0xC6EF372FE94F82BE,
                                     0x54FF53A5F1D36F1C, 0x10E527FADE682D1D, 0xB05688C2B3E6C1FD};

// sp[0][x] = SBOX1(x) in bytes 3, 2, 1 ("1110"), sp[1][x] = SBOX2(x) in
// bytes 2, 1, 0 ("0222"), sp[2][x] = SBOX3(x) in bytes 3, 1, 0 ("3033"),
// sp[3][x] = SBOX4(x) in bytes 3, 2, 0 ("4404"): each table entry is one
// S-box output already spread over the P-function rows it feeds.
struct Tables {
  std::uint32_t sp[4][256];

  Tables() {
    for (int x = 0; x < 256; ++x) {
      const std::uint32_t s1 = kSbox1[x];
      const std::uint32_t s2 = std::rotl(kSbox1[x], 1);
      const std::uint32_t s3 = std::rotl(kSbox1[x], 7);
      const std::uint32_t s4 = kSbox1[std::rotl(static_cast<std::uint8_t>(x), 1)];
      sp[0][x] = s1 * 0x01010100u;
      sp[1][x] = s2 * 0x00010101u;
      sp[2][x] = s3 * 0x01000101u;
      sp[3][x] = s4 * 0x01010001u;
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

// The F function: S-boxes then P. With L the P contributions of the left
// half's bytes and R those of the right half's, the result is
// (L ^ R, L ^ R ^ rotr(L, 8)).
inline std::uint64_t F(const Tables& t, std::uint64_t in, std::uint64_t key) {
  const std::uint64_t x = in ^ key;
  const auto il = static_cast<std::uint32_t>(x >> 32);
  const auto ir = static_cast<std::uint32_t>(x);
  const std::uint32_t l = t.sp[0][il >> 24] ^ t.sp[1][(il >> 16) & 0xFF] ^
                          t.sp[2][(il >> 8) & 0xFF] ^ t.sp[3][il & 0xFF];
  const std::uint32_t r = t.sp[1][ir >> 24] ^ t.sp[2][(ir >> 16) & 0xFF] ^
                          t.sp[3][(ir >> 8) & 0xFF] ^ t.sp[0][ir & 0xFF];
  const std::uint32_t left = l ^ r;
  return static_cast<std::uint64_t>(left) << 32 | (left ^ std::rotr(l, 8));
}

inline std::uint64_t FL(std::uint64_t in, std::uint64_t key) {
  auto x1 = static_cast<std::uint32_t>(in >> 32), x2 = static_cast<std::uint32_t>(in);
  const auto k1 = static_cast<std::uint32_t>(key >> 32), k2 = static_cast<std::uint32_t>(key);
  x2 ^= std::rotl(x1 & k1, 1);
  x1 ^= x2 | k2;
  return static_cast<std::uint64_t>(x1) << 32 | x2;
}

inline std::uint64_t FLInverse(std::uint64_t in, std::uint64_t key) {
  auto y1 = static_cast<std::uint32_t>(in >> 32), y2 = static_cast<std::uint32_t>(in);
  const auto k1 = static_cast<std::uint32_t>(key >> 32), k2 = static_cast<std::uint32_t>(key);
  y1 ^= y2 | k2;
  y2 ^= std::rotl(y1 & k1, 1);
  return static_cast<std::uint64_t>(y1) << 32 | y2;
}

inline std::uint64_t LoadBE64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadBE32(p)) << 32 | LoadBE32(p + 4);
}

inline void StoreBE64(std::uint8_t* p, std::uint64_t v) {
  StoreBE32(p, static_cast<std::uint32_t>(v >> 32));
  StoreBE32(p + 4, static_cast<std::uint32_t>(v));
}

struct Block128 {
  std::uint64_t high = 0;
  std::uint64_t low = 0;

  Block128 RotateLeft(int n) const {
    Block128 r = n >= 64 ? Block128{low, high} : *this;
    n %= 64;
    if (n == 0) return r;
    return {r.high << n | r.low >> (64 - n), r.low << n | r.high >> (64 - n)};
  }
};

// One encryption or decryption pass with subkeys in the order of use.
void Crypt(const Tables& t, const std::uint64_t* k, int rounds, std::uint8_t* out,
           const std::uint8_t* in) {
  std::uint64_t d1 = LoadBE64(in) ^ k[0];
  std::uint64_t d2 = LoadBE64(in + 8) ^ k[1];
  k += 2;
  for (int group = 0; group < rounds / 6; ++group) {
    if (group != 0) {
      d1 = FL(d1, k[0]);
      d2 = FLInverse(d2, k[1]);
      k += 2;
    }
    d2 ^= F(t, d1, k[0]);
    d1 ^= F(t, d2, k[1]);
    d2 ^= F(t, d1, k[2]);
    d1 ^= F(t, d2, k[3]);
    d2 ^= F(t, d1, k[4]);
    d1 ^= F(t, d2, k[5]);
    k += 6;
  }
  StoreBE64(out, d2 ^ k[0]);
  StoreBE64(out + 8, d1 ^ k[1]);
}

}  // namespace

CCamellia::CCamellia() { GetTables(); }

int CCamellia::SetKey(const std::uint8_t* key, std::size_t length) {
  rounds_ = 0;
  if (length != 16 && length != 24 && length != 32) return 0;
  const Tables& t = GetTables();

  const Block128 kl{LoadBE64(key), LoadBE64(key + 8)};
  Block128 kr;
  if (length == 24) {
    kr.high = LoadBE64(key + 16);
    kr.low = ~kr.high;
  } else if (length == 32) {
    kr = {LoadBE64(key + 16), LoadBE64(key + 24)};
  }

  std::uint64_t d1 = kl.high ^ kr.high, d2 = kl.low ^ kr.low;
  d2 ^= F(t, d1, kSigma[0]);
  d1 ^= F(t, d2, kSigma[1]);
  d1 ^= kl.high;
  d2 ^= kl.low;
  d2 ^= F(t, d1, kSigma[2]);
  d1 ^= F(t, d2, kSigma[3]);
  const Block128 ka{d1, d2};
  d1 = ka.high ^ kr.high;
  d2 = ka.low ^ kr.low;
  d2 ^= F(t, d1, kSigma[4]);
  d1 ^= F(t, d2, kSigma[5]);
  const Block128 kb{d1, d2};

  // Each subkey is one half of a rotated KL, KR, KA or KB.
  struct Source {
    const Block128* block;
    int rotation;
    bool high;
  };
  auto take = [](const Source& s) {
    const Block128 r = s.block->RotateLeft(s.rotation);
    return s.high ? r.high : r.low;
  };
  // Encryption order: kw1 kw2 k1..k6 ke1 ke2 k7..k12 ke3 ke4 k13..k18
  // [ke5 ke6 k19..k24] kw3 kw4.
  static constexpr int kShort = 26;
  static constexpr int kLong = 34;
  const Source short_schedule[kShort] = {
      {&kl, 0, true},   {&kl, 0, false},  {&ka, 0, true},   {&ka, 0, false},   {&kl, 15, true},
      {&kl, 15, false}, {&ka, 15, true},  {&ka, 15, false}, {&ka, 30, true},   {&ka, 30, false},
      {&kl, 45, true},  {&kl, 45, false}, {&ka, 45, true},  {&kl, 60, false},  {&ka, 60, true},
      {&ka, 60, false}, {&kl, 77, true},  {&kl, 77, false}, {&kl, 94, true},   {&kl, 94, false},
      {&ka, 94, true},  {&ka, 94, false}, {&kl, 111, true}, {&kl, 111, false}, {&ka, 111, true},
      {&ka, 111, false}};
  const Source long_schedule[kLong] = {
      {&kl, 0, true},   {&kl, 0, false},   {&kb, 0, true},   {&kb, 0, false},  {&kr, 15, true},
      {&kr, 15, false}, {&ka, 15, true},   {&ka, 15, false}, {&kr, 30, true},  {&kr, 30, false},
      {&kb, 30, true},  {&kb, 30, false},  {&kl, 45, true},  {&kl, 45, false}, {&ka, 45, true},
      {&ka, 45, false}, {&kl, 60, true},   {&kl, 60, false}, {&kr, 60, true},  {&kr, 60, false},
      {&kb, 60, true},  {&kb, 60, false},  {&kl, 77, true},  {&kl, 77, false}, {&ka, 77, true},
      {&ka, 77, false}, {&kr, 94, true},   {&kr, 94, false}, {&ka, 94, true},  {&ka, 94, false},
      {&kl, 111, true}, {&kl, 111, false}, {&kb, 111, true}, {&kb, 111, false}};
  const bool is_short = length == 16;
  const int count = is_short ? kShort : kLong;
  const Source* schedule = is_short ? short_schedule : long_schedule;
  for (int n = 0; n < count; ++n) encrypt_keys_[n] = take(schedule[n]);

  // Decryption runs the same pass with the subkeys reversed, except that the
  // whitening pairs keep their inner order: kw3 kw4 ... kw1 kw2. Reversal
  // turns each FL pair into (ke(2i), ke(2i-1)), which is what RFC 3713's
  // decryption applies.
  decrypt_keys_[0] = encrypt_keys_[count - 2];
  decrypt_keys_[1] = encrypt_keys_[count - 1];
  for (int n = 2; n < count - 2; ++n) decrypt_keys_[n] = encrypt_keys_[count - 1 - n];
  decrypt_keys_[count - 2] = encrypt_keys_[0];
  decrypt_keys_[count - 1] = encrypt_keys_[1];
  rounds_ = is_short ? 18 : 24;
  return 1;
}

int CCamellia::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (rounds_ == 0) return 0;
  const Tables& t = GetTables();
  for (; count != 0; --count, in += 16, out += 16) Crypt(t, encrypt_keys_.data(), rounds_, out, in);
  return 1;
}

int CCamellia::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (rounds_ == 0) return 0;
  const Tables& t = GetTables();
  for (; count != 0; --count, in += 16, out += 16) Crypt(t, decrypt_keys_.data(), rounds_, out, in);
  return 1;
}

}  // namespace tarrowin
