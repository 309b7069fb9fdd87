// RC4 (ARCFOUR) as a cipher with one-byte blocks. Encryption and decryption
// run independent key streams that both start at the keyed state, so one
// object can encrypt one stream and decrypt another.
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CRC4 : public IBlockCipher {
 public:
  // The key bytes repeat over the 256 scheduling steps; an empty key is
  // refused.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  int SetBlockSize(std::uint32_t) override { return 0; }
  std::size_t BlockSize() const override { return 1; }
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  struct State {
    std::uint8_t i = 0;
    std::uint8_t j = 0;
    std::array<std::uint8_t, 256> s{};
    void Apply(std::uint8_t* out, const std::uint8_t* in, std::size_t count);
  };

  bool keyed_ = false;
  State encrypt_;
  State decrypt_;
};

}  // namespace tarrowin
