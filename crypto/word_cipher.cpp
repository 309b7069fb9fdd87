// The word cipher's key schedule and word transform.
#include "crypto/word_cipher.h"

#include "crypto/byte_order.h"
#include "crypto/own_cipher_schedule.h"

namespace tarrowin {

int CWordCipher::SetKey(const std::uint8_t* key, std::size_t length) {
  LoadKeyWords(k_.data(), k_.size(), key, length);
  ScheduleKeyWords(k_.data(), k_.size(), 16, 0, nullptr);
  return 1;
}

int CWordCipher::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t per_block = WordsPerBlock(), words = count * per_block;
  for (std::size_t n = 0; n < words; ++n) {
    const std::size_t j = n % per_block;
    const std::uint32_t w = LoadLE32(in + 4 * n);
    StoreLE32(out + 4 * n, (((w + k_[j]) ^ k_[(j + 1) % 4]) + k_[(j + 2) % 4]) ^ k_[(j + 3) % 4]);
  }
  return 1;
}

int CWordCipher::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  const std::size_t per_block = WordsPerBlock(), words = count * per_block;
  for (std::size_t n = 0; n < words; ++n) {
    const std::size_t j = n % per_block;
    const std::uint32_t w = LoadLE32(in + 4 * n);
    StoreLE32(out + 4 * n, (((w ^ k_[(j + 3) % 4]) - k_[(j + 2) % 4]) ^ k_[(j + 1) % 4]) - k_[j]);
  }
  return 1;
}

}  // namespace tarrowin
