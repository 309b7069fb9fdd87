// Camellia (RFC 3713): 16-byte blocks, keys of 16 bytes (18 rounds) or 24
// and 32 bytes (24 rounds).
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CCamellia : public IBlockCipher {
 public:
  CCamellia();
  // Refuses key lengths other than 16, 24 and 32.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  int SetBlockSize(std::uint32_t) override { return 0; }
  std::size_t BlockSize() const override { return 16; }
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  // Subkeys in the order a pass uses them: two whitening keys, groups of six
  // round keys with an FL/FL⁻¹ pair between groups, two whitening keys.
  static constexpr int kMaxSubkeys = 34;

  int rounds_ = 0;  // 0 until a key is set
  std::array<std::uint64_t, kMaxSubkeys> encrypt_keys_{};
  std::array<std::uint64_t, kMaxSubkeys> decrypt_keys_{};
};

}  // namespace tarrowin
