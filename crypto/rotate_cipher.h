// The second own cipher: like the word cipher, with key-dependent rotations
// between the additions and XORs.
#pragma once

#include <array>

#include "crypto/four_word_cipher.h"

namespace tarrowin {

class CRotateCipher : public CFourWordCipher {
 public:
  // Uses the first 16 key bytes, padding a shorter key with zeros.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  std::array<std::uint32_t, 4> r_{};  // rotation amounts, 0 .. 31
};

}  // namespace tarrowin
