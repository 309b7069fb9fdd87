// The lightest own cipher: each 32-bit word of a block is mixed with the
// four key words by addition and XOR, starting at the key word of its
// position.
#pragma once

#include "crypto/four_word_cipher.h"

namespace tarrowin {

class CWordCipher : public CFourWordCipher {
 public:
  // Uses the first 16 key bytes, padding a shorter key with zeros.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
};

}  // namespace tarrowin
