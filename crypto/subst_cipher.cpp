// The substitution cipher's key schedule and rounds. A block is n
// little-endian words; the mixing step works on the n - 1 little-endian
// values that start at byte offsets 2, 6, ..., each straddling two words.
#include "crypto/subst_cipher.h"

#include <algorithm>
#include <bit>

#include "crypto/byte_order.h"
#include "crypto/own_cipher_schedule.h"
#include "crypto/own_cipher_tables.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kMaxRoundsValue = 0x210000;

// Replaces byte k of x by tables[row[k]] of it.
inline std::uint32_t Substitute(std::uint32_t x, const std::uint8_t* row) {
  const auto& t = kRoundTables;
  return t[row[0]][x & 0xFF] | static_cast<std::uint32_t>(t[row[1]][(x >> 8) & 0xFF]) << 8 |
         static_cast<std::uint32_t>(t[row[2]][(x >> 16) & 0xFF]) << 16 |
         static_cast<std::uint32_t>(t[row[3]][x >> 24]) << 24;
}

// The value that starts at byte 2 of word i and ends in byte 1 of word i + 1.
inline std::uint32_t Straddling(const std::uint32_t* w, std::size_t i) {
  return w[i] >> 16 | w[i + 1] << 16;
}

inline void SetStraddling(std::uint32_t* w, std::size_t i, std::uint32_t v) {
  w[i] = (w[i] & 0xFFFF) | v << 16;
  w[i + 1] = (w[i + 1] & 0xFFFF0000) | v >> 16;
}

}  // namespace

int CSubstCipher::SetKey(const std::uint8_t* key, std::size_t length) {
  LoadKeyWords(k_.data(), k_.size(), key, length);
  ScheduleKeyWords(k_.data(), k_.size(), 32, 5, q_.data());
  RotationsFromKeyWords(r_.data(), k_.data(), k_.size());
  return 1;
}

int CSubstCipher::SetBlockSize(std::uint32_t value) {
  const std::uint32_t bytes = value & 0xFFFF;
  if (!IsOwnCipherBlockSize(bytes) || value >= kMaxRoundsValue) return 0;
  block_size_ = bytes;
  rounds_ = std::max(kMinRounds, value >> 16);
  return 1;
}

void CSubstCipher::EncryptBlock(std::uint32_t* w, std::size_t n) const {
  for (std::uint32_t r = 0; r < rounds_; ++r) {
    const std::uint32_t a = r % 4;
    const std::uint8_t* row = kRoundTableRows[q_[a]];
    const int rotate = static_cast<int>(r_[a]), mix_rotate = static_cast<int>(r_[a + 4]);
    for (std::size_t i = 0; i < n; ++i) {
      w[i] = std::rotl(Substitute(w[i] + k_[a], row), rotate) ^ k_[a + 4];
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
      SetStraddling(w, i, std::rotr(Straddling(w, i) ^ k_[a], mix_rotate) - k_[a + 4]);
    }
  }
}

void CSubstCipher::DecryptBlock(std::uint32_t* w, std::size_t n) const {
  for (std::uint32_t r = rounds_; r-- != 0;) {
    const std::uint32_t a = r % 4;
    const std::uint8_t* row = kRoundTableRows[q_[a]] + 4;
    const int rotate = static_cast<int>(r_[a]), mix_rotate = static_cast<int>(r_[a + 4]);
    for (std::size_t i = n - 1; i-- != 0;) {
      SetStraddling(w, i, std::rotl(Straddling(w, i) + k_[a + 4], mix_rotate) ^ k_[a]);
    }
    for (std::size_t i = n; i-- != 0;) {
      w[i] = Substitute(std::rotr(w[i] ^ k_[a + 4], rotate), row) - k_[a];
    }
  }
}

int CSubstCipher::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t n = block_size_ / 4;
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    std::uint32_t w[4];
    for (std::size_t i = 0; i < n; ++i) w[i] = LoadLE32(in + 4 * i);
    EncryptBlock(w, n);
    for (std::size_t i = 0; i < n; ++i) StoreLE32(out + 4 * i, w[i]);
  }
  return 1;
}

int CSubstCipher::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t n = block_size_ / 4;
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    std::uint32_t w[4];
    for (std::size_t i = 0; i < n; ++i) w[i] = LoadLE32(in + 4 * i);
    DecryptBlock(w, n);
    for (std::size_t i = 0; i < n; ++i) StoreLE32(out + 4 * i, w[i]);
  }
  return 1;
}

}  // namespace tarrowin
