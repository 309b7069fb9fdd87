// The rotate cipher's key schedule and word transform.
#include "crypto/rotate_cipher.h"

#include <bit>

#include "crypto/byte_order.h"
#include "crypto/own_cipher_schedule.h"

namespace tarrowin {

int CRotateCipher::SetKey(const std::uint8_t* key, std::size_t length) {
  LoadKeyWords(k_.data(), k_.size(), key, length);
  ScheduleKeyWords(k_.data(), k_.size(), 16, 3, nullptr);
  RotationsFromKeyWords(r_.data(), k_.data(), k_.size());
  return 1;
}

int CRotateCipher::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t per_block = WordsPerBlock(), words = count * per_block;
  for (std::size_t n = 0; n < words; ++n) {
    const std::size_t j0 = n % per_block, j1 = (j0 + 1) % 4, j2 = (j0 + 2) % 4, j3 = (j0 + 3) % 4;
    std::uint32_t x = LoadLE32(in + 4 * n);
    x = (std::rotl(x, static_cast<int>(r_[j0])) ^ k_[j0]) + k_[j1];
    x = std::rotl(x, static_cast<int>(r_[j1]));
    x = (std::rotl(x, static_cast<int>(r_[j2])) ^ k_[j2]) - k_[j3];
    StoreLE32(out + 4 * n, std::rotl(x, static_cast<int>(r_[j3])));
  }
  return 1;
}

int CRotateCipher::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t per_block = WordsPerBlock(), words = count * per_block;
  for (std::size_t n = 0; n < words; ++n) {
    const std::size_t j0 = n % per_block, j1 = (j0 + 1) % 4, j2 = (j0 + 2) % 4, j3 = (j0 + 3) % 4;
    std::uint32_t x = LoadLE32(in + 4 * n);
    x = (std::rotr(x, static_cast<int>(r_[j3])) + k_[j3]) ^ k_[j2];
    x = std::rotr(x, static_cast<int>(r_[j2]));
    x = (std::rotr(x, static_cast<int>(r_[j1])) - k_[j1]) ^ k_[j0];
    StoreLE32(out + 4 * n, std::rotr(x, static_cast<int>(r_[j0])));
  }
  return 1;
}

}  // namespace tarrowin
