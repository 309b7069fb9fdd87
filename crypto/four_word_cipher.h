// What the word and rotate ciphers share: a 16-byte key held as four
// little-endian words, and blocks of 4 to 16 bytes in steps of 4 (default
// 4), chosen by the low 16 bits of SetBlockSize.
#pragma once

#include <array>

#include "crypto/block_cipher.h"
#include "crypto/own_cipher_schedule.h"

namespace tarrowin {

class CFourWordCipher : public IBlockCipher {
 public:
  // The bits above the low 16 are ignored.
  int SetBlockSize(std::uint32_t value) override {
    const std::uint32_t bytes = value & 0xFFFF;
    if (!IsOwnCipherBlockSize(bytes)) return 0;
    block_size_ = bytes;
    return 1;
  }
  std::size_t BlockSize() const override { return block_size_; }

 protected:
  std::size_t WordsPerBlock() const { return block_size_ / 4; }

  std::array<std::uint32_t, 4> k_{};

 private:
  std::uint32_t block_size_ = 4;
};

}  // namespace tarrowin
