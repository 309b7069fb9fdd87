// RC6-32/20/b: 16-byte blocks, 20 rounds, 44 round keys. Only whole 32-bit
// words of the key count: 1 to 3 trailing bytes are ignored.
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CRC6 : public IBlockCipher {
 public:
  static constexpr int kRounds = 20;

  // Refuses keys shorter than 4 bytes.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  int SetBlockSize(std::uint32_t) override { return 0; }
  std::size_t BlockSize() const override { return 16; }
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  bool keyed_ = false;
  std::array<std::uint32_t, 2 * kRounds + 4> round_keys_{};
};

}  // namespace tarrowin
