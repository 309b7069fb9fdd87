// The cipher interface of the pack archive code: a keyed permutation of
// fixed-size blocks (RC4 counts as a cipher with one-byte blocks). Every
// operation returns 1 on success and 0 on refusal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

class IBlockCipher {
 public:
  virtual ~IBlockCipher() = default;
  // Builds the key schedule from `length` key bytes.
  virtual int SetKey(const std::uint8_t* key, std::size_t length) = 0;
  // Changes the block size where the cipher allows it; the meaning of the
  // bits above the low 16 depends on the cipher.
  virtual int SetBlockSize(std::uint32_t value) = 0;
  virtual std::size_t BlockSize() const = 0;
  // Transform `count` whole blocks; `out` may be `in` itself, but the two
  // must not overlap otherwise. A cipher without a usable key refuses.
  virtual int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) = 0;
  virtual int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) = 0;
};

}  // namespace tarrowin
