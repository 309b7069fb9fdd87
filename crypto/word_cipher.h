// The lightest own cipher: each 32-bit word of a block is mixed with the
// four key words by addition and XOR, starting at the key word of its
// position. Blocks of 4 to 16 bytes in steps of 4 (default 4).
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CWordCipher : public IBlockCipher {
 public:
  // Uses the first 16 key bytes, padding a shorter key with zeros.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  // The low 16 bits are the block size; the rest is ignored.
  int SetBlockSize(std::uint32_t value) override;
  std::size_t BlockSize() const override { return block_size_; }
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  std::uint32_t block_size_ = 4;
  std::array<std::uint32_t, 4> k_{};
};

}  // namespace tarrowin
