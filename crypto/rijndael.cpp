// Rijndael key expansion and table-driven rounds (the T-table form of the
// Rijndael proposal), for 4-, 6- and 8-word blocks. State words are
// little-endian columns: row 0 of a column is its low byte.
#include "crypto/rijndael.h"

#include <algorithm>
#include <bit>

#include "crypto/byte_order.h"

namespace tarrowin {
namespace {

std::uint8_t Times2(std::uint8_t x) {
  return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

std::uint8_t Multiply(std::uint8_t x, std::uint8_t y) {
  std::uint8_t product = 0;
  for (; y != 0; y >>= 1, x = Times2(x)) {
    if (y & 1) product ^= x;
  }
  return product;
}

std::uint32_t Column(std::uint8_t r0, std::uint8_t r1, std::uint8_t r2, std::uint8_t r3) {
  return r0 | static_cast<std::uint32_t>(r1) << 8 | static_cast<std::uint32_t>(r2) << 16 |
         static_cast<std::uint32_t>(r3) << 24;
}

// The S-box and the round tables, built once per process on first use.
struct Tables {
  std::uint8_t sbox[256];
  std::uint8_t inverse_sbox[256];
  // encrypt[k][x]: the MixColumns column of S(x) standing in row k;
  // decrypt[k][x] the same for InvMixColumns and the inverse S-box.
  std::uint32_t encrypt[4][256];
  std::uint32_t decrypt[4][256];

  Tables() {
    // Multiplicative inverses by walking the powers of the generator 3.
    std::uint8_t power[255];
    std::uint8_t log[256] = {};
    std::uint8_t x = 1;
    for (int n = 0; n < 255; ++n) {
      power[n] = x;
      log[x] = static_cast<std::uint8_t>(n);
      x = static_cast<std::uint8_t>(x ^ Times2(x));
    }
    for (int n = 0; n < 256; ++n) {
      const std::uint8_t inverse = n == 0 ? 0 : power[(255 - log[n]) % 255];
      const std::uint8_t s =
          static_cast<std::uint8_t>(inverse ^ std::rotl(inverse, 1) ^ std::rotl(inverse, 2) ^
                                    std::rotl(inverse, 3) ^ std::rotl(inverse, 4) ^ 0x63);
      sbox[n] = s;
      inverse_sbox[s] = static_cast<std::uint8_t>(n);
    }
    for (int n = 0; n < 256; ++n) {
      const std::uint8_t s = sbox[n];
      const std::uint8_t i = inverse_sbox[n];
      encrypt[0][n] = Column(Multiply(s, 2), s, s, Multiply(s, 3));
      decrypt[0][n] = Column(Multiply(i, 14), Multiply(i, 9), Multiply(i, 13), Multiply(i, 11));
      for (int k = 1; k < 4; ++k) {
        encrypt[k][n] = std::rotl(encrypt[0][n], 8 * k);
        decrypt[k][n] = std::rotl(decrypt[0][n], 8 * k);
      }
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

std::uint32_t SubWord(const Tables& t, std::uint32_t w) {
  return Column(t.sbox[w & 0xFF], t.sbox[(w >> 8) & 0xFF], t.sbox[(w >> 16) & 0xFF],
                t.sbox[w >> 24]);
}

inline std::uint8_t Byte(std::uint32_t w, int k) { return static_cast<std::uint8_t>(w >> (8 * k)); }

// Column j of the state after ShiftRows takes row k from column j + shift(k).
template <int Nb>
constexpr int Shift(int k) {
  return Nb == 8 && k >= 2 ? k + 1 : k;
}

template <int Nb>
void EncryptBlock(const Tables& t, const std::uint32_t* rk, int rounds, std::uint8_t* out,
                  const std::uint8_t* in) {
  std::uint32_t s[Nb], n[Nb];
  for (int j = 0; j < Nb; ++j) s[j] = LoadLE32(in + 4 * j) ^ rk[j];
  for (int r = 1; r < rounds; ++r) {
    rk += Nb;
    for (int j = 0; j < Nb; ++j) {
      n[j] = t.encrypt[0][Byte(s[j], 0)] ^ t.encrypt[1][Byte(s[(j + Shift<Nb>(1)) % Nb], 1)] ^
             t.encrypt[2][Byte(s[(j + Shift<Nb>(2)) % Nb], 2)] ^
             t.encrypt[3][Byte(s[(j + Shift<Nb>(3)) % Nb], 3)] ^ rk[j];
    }
    std::copy(n, n + Nb, s);
  }
  rk += Nb;
  for (int j = 0; j < Nb; ++j) {
    const std::uint32_t c = Column(
        t.sbox[Byte(s[j], 0)], t.sbox[Byte(s[(j + Shift<Nb>(1)) % Nb], 1)],
        t.sbox[Byte(s[(j + Shift<Nb>(2)) % Nb], 2)], t.sbox[Byte(s[(j + Shift<Nb>(3)) % Nb], 3)]);
    StoreLE32(out + 4 * j, c ^ rk[j]);
  }
}

template <int Nb>
void DecryptBlock(const Tables& t, const std::uint32_t* rk, int rounds, std::uint8_t* out,
                  const std::uint8_t* in) {
  // InvShiftRows takes row k of column j from column j - shift(k).
  constexpr int back1 = Nb - Shift<Nb>(1), back2 = Nb - Shift<Nb>(2), back3 = Nb - Shift<Nb>(3);
  std::uint32_t s[Nb], n[Nb];
  for (int j = 0; j < Nb; ++j) s[j] = LoadLE32(in + 4 * j) ^ rk[j];
  for (int r = 1; r < rounds; ++r) {
    rk += Nb;
    for (int j = 0; j < Nb; ++j) {
      n[j] = t.decrypt[0][Byte(s[j], 0)] ^ t.decrypt[1][Byte(s[(j + back1) % Nb], 1)] ^
             t.decrypt[2][Byte(s[(j + back2) % Nb], 2)] ^
             t.decrypt[3][Byte(s[(j + back3) % Nb], 3)] ^ rk[j];
    }
    std::copy(n, n + Nb, s);
  }
  rk += Nb;
  for (int j = 0; j < Nb; ++j) {
    const std::uint32_t c = Column(
        t.inverse_sbox[Byte(s[j], 0)], t.inverse_sbox[Byte(s[(j + back1) % Nb], 1)],
        t.inverse_sbox[Byte(s[(j + back2) % Nb], 2)], t.inverse_sbox[Byte(s[(j + back3) % Nb], 3)]);
    StoreLE32(out + 4 * j, c ^ rk[j]);
  }
}

// The 16-byte block, unrolled: the AES case that the pack format uses.
#define AES_COLUMN(T, a, b, c, d, k) \
  (T[0][(a)&0xFF] ^ T[1][((b) >> 8) & 0xFF] ^ T[2][((c) >> 16) & 0xFF] ^ T[3][(d) >> 24] ^ (k))

template <>
void EncryptBlock<4>(const Tables& t, const std::uint32_t* rk, int rounds, std::uint8_t* out,
                     const std::uint8_t* in) {
  const auto& e = t.encrypt;
  std::uint32_t s0 = LoadLE32(in) ^ rk[0], s1 = LoadLE32(in + 4) ^ rk[1];
  std::uint32_t s2 = LoadLE32(in + 8) ^ rk[2], s3 = LoadLE32(in + 12) ^ rk[3];
  for (int r = 1; r < rounds; ++r) {
    rk += 4;
    const std::uint32_t t0 = AES_COLUMN(e, s0, s1, s2, s3, rk[0]);
    const std::uint32_t t1 = AES_COLUMN(e, s1, s2, s3, s0, rk[1]);
    const std::uint32_t t2 = AES_COLUMN(e, s2, s3, s0, s1, rk[2]);
    const std::uint32_t t3 = AES_COLUMN(e, s3, s0, s1, s2, rk[3]);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 4;
  const std::uint8_t* sb = t.sbox;
  StoreLE32(out, Column(sb[s0 & 0xFF], sb[(s1 >> 8) & 0xFF], sb[(s2 >> 16) & 0xFF], sb[s3 >> 24]) ^
                     rk[0]);
  StoreLE32(
      out + 4,
      Column(sb[s1 & 0xFF], sb[(s2 >> 8) & 0xFF], sb[(s3 >> 16) & 0xFF], sb[s0 >> 24]) ^ rk[1]);
  StoreLE32(
      out + 8,
      Column(sb[s2 & 0xFF], sb[(s3 >> 8) & 0xFF], sb[(s0 >> 16) & 0xFF], sb[s1 >> 24]) ^ rk[2]);
  StoreLE32(
      out + 12,
      Column(sb[s3 & 0xFF], sb[(s0 >> 8) & 0xFF], sb[(s1 >> 16) & 0xFF], sb[s2 >> 24]) ^ rk[3]);
}

template <>
void DecryptBlock<4>(const Tables& t, const std::uint32_t* rk, int rounds, std::uint8_t* out,
                     const std::uint8_t* in) {
  const auto& d = t.decrypt;
  std::uint32_t s0 = LoadLE32(in) ^ rk[0], s1 = LoadLE32(in + 4) ^ rk[1];
  std::uint32_t s2 = LoadLE32(in + 8) ^ rk[2], s3 = LoadLE32(in + 12) ^ rk[3];
  for (int r = 1; r < rounds; ++r) {
    rk += 4;
    const std::uint32_t t0 = AES_COLUMN(d, s0, s3, s2, s1, rk[0]);
    const std::uint32_t t1 = AES_COLUMN(d, s1, s0, s3, s2, rk[1]);
    const std::uint32_t t2 = AES_COLUMN(d, s2, s1, s0, s3, rk[2]);
    const std::uint32_t t3 = AES_COLUMN(d, s3, s2, s1, s0, rk[3]);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 4;
  const std::uint8_t* ib = t.inverse_sbox;
  StoreLE32(out, Column(ib[s0 & 0xFF], ib[(s3 >> 8) & 0xFF], ib[(s2 >> 16) & 0xFF], ib[s1 >> 24]) ^
                     rk[0]);
  StoreLE32(
      out + 4,
      Column(ib[s1 & 0xFF], ib[(s0 >> 8) & 0xFF], ib[(s3 >> 16) & 0xFF], ib[s2 >> 24]) ^ rk[1]);
  StoreLE32(
      out + 8,
      Column(ib[s2 & 0xFF], ib[(s1 >> 8) & 0xFF], ib[(s0 >> 16) & 0xFF], ib[s3 >> 24]) ^ rk[2]);
  StoreLE32(
      out + 12,
      Column(ib[s3 & 0xFF], ib[(s2 >> 8) & 0xFF], ib[(s1 >> 16) & 0xFF], ib[s0 >> 24]) ^ rk[3]);
}

#undef AES_COLUMN

template <int Nb>
void EncryptBlocksOf(const std::uint32_t* rk, int rounds, std::uint8_t* out, const std::uint8_t* in,
                     std::size_t count) {
  const Tables& t = GetTables();
  for (; count != 0; --count, in += 4 * Nb, out += 4 * Nb) EncryptBlock<Nb>(t, rk, rounds, out, in);
}

template <int Nb>
void DecryptBlocksOf(const std::uint32_t* rk, int rounds, std::uint8_t* out, const std::uint8_t* in,
                     std::size_t count) {
  const Tables& t = GetTables();
  for (; count != 0; --count, in += 4 * Nb, out += 4 * Nb) DecryptBlock<Nb>(t, rk, rounds, out, in);
}

}  // namespace

CRijndael::CRijndael() { GetTables(); }

int CRijndael::SetBlockSize(std::uint32_t value) {
  const std::uint32_t bytes = value & 0xFFFF;
  if (bytes != 16 && bytes != 24 && bytes != 32) return 0;
  const std::uint32_t choice = value & 0xFFFF0000;
  want_encrypt_ = choice == 0 || (choice & kBuildEncrypt) != 0;
  want_decrypt_ = choice == 0 || (choice & kBuildDecrypt) != 0;
  block_words_ = static_cast<int>(bytes / 4);
  block_size_set_ = true;
  encrypt_ready_ = false;
  decrypt_ready_ = false;
  return 1;
}

int CRijndael::SetKey(const std::uint8_t* key, std::size_t length) {
  encrypt_ready_ = false;
  decrypt_ready_ = false;
  if (length != 16 && length != 24 && length != 32) return 0;
  if (!block_size_set_) {
    block_words_ = 4;
    block_size_set_ = true;
  }
  key_words_ = static_cast<int>(length / 4);
  rounds_ = std::max(key_words_, block_words_) + 6;

  const Tables& t = GetTables();
  const int nk = key_words_;
  const int total = block_words_ * (rounds_ + 1);
  std::uint32_t* w = encrypt_keys_.data();
  for (int i = 0; i < nk; ++i) w[i] = LoadLE32(key + 4 * i);
  std::uint8_t rcon = 1;
  for (int i = nk; i < total; ++i) {
    std::uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord(t, std::rotr(temp, 8)) ^ rcon;
      rcon = Times2(rcon);
    } else if (nk > 6 && i % nk == 4) {
      temp = SubWord(t, temp);
    }
    w[i] = w[i - nk] ^ temp;
  }
  if (want_decrypt_) BuildDecryptSchedule();
  encrypt_ready_ = want_encrypt_;
  decrypt_ready_ = want_decrypt_;
  // A direction that was not asked for keeps no key material.
  if (!want_encrypt_) encrypt_keys_.fill(0);
  return 1;
}

// The equivalent inverse cipher: round keys in reverse order, InvMixColumns
// applied to all but the first and the last.
void CRijndael::BuildDecryptSchedule() {
  const Tables& t = GetTables();
  const int nb = block_words_;
  for (int r = 0; r <= rounds_; ++r) {
    const std::uint32_t* from = encrypt_keys_.data() + (rounds_ - r) * nb;
    std::uint32_t* to = decrypt_keys_.data() + r * nb;
    for (int j = 0; j < nb; ++j) {
      const std::uint32_t w = from[j];
      if (r == 0 || r == rounds_) {
        to[j] = w;
      } else {
        to[j] = t.decrypt[0][t.sbox[Byte(w, 0)]] ^ t.decrypt[1][t.sbox[Byte(w, 1)]] ^
                t.decrypt[2][t.sbox[Byte(w, 2)]] ^ t.decrypt[3][t.sbox[Byte(w, 3)]];
      }
    }
  }
}

int CRijndael::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!encrypt_ready_) return 0;
  const std::uint32_t* rk = encrypt_keys_.data();
  switch (block_words_) {
    case 4:
      EncryptBlocksOf<4>(rk, rounds_, out, in, count);
      break;
    case 6:
      EncryptBlocksOf<6>(rk, rounds_, out, in, count);
      break;
    default:
      EncryptBlocksOf<8>(rk, rounds_, out, in, count);
      break;
  }
  return 1;
}

int CRijndael::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!decrypt_ready_) return 0;
  const std::uint32_t* rk = decrypt_keys_.data();
  switch (block_words_) {
    case 4:
      DecryptBlocksOf<4>(rk, rounds_, out, in, count);
      break;
    case 6:
      DecryptBlocksOf<6>(rk, rounds_, out, in, count);
      break;
    default:
      DecryptBlocksOf<8>(rk, rounds_, out, in, count);
      break;
  }
  return 1;
}

}  // namespace tarrowin
