// Cipher set-up for encrypted pack records: the cipher and mode that a
// record's flags select, and the key and initial value, which come from
// SHA-256 digests of the key material: the record's 8 key bytes or, for the
// password modes, the archive's password.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "crypto/block_cipher.h"
#include "crypto/cipher_mode.h"
#include "files/pack_format.h"

namespace tarrowin {

using PackPassword = std::array<std::uint8_t, 32>;
using PackKey = std::array<std::uint8_t, 16>;

// The cipher of the code in flags & kPackCipherMask, unkeyed; null for a
// code without a cipher.
std::unique_ptr<IBlockCipher> CreatePackCipher(PackFlags flags);

// The mode of the code in flags & kPackModeMask on `cipher` (not owned, must
// outlive the mode); null for a code without a mode.
std::unique_ptr<ICipherMode> CreatePackMode(PackFlags flags, IBlockCipher& cipher);

// True for the mode codes whose key material is the archive's 32-byte
// password (checked against the record's 8 key bytes) rather than the
// record's 8 key bytes.
bool PackModeUsesPassword(PackFlags flags);

// SHA-256 of the material, folded to 16 bytes.
PackKey DerivePackKey(const std::uint8_t* material, std::size_t length);

// The check value a password mode stores in place of key bytes: the MD5
// digest of the password folded to 8 bytes.
PackKeyBytes PackPasswordCheck(const PackPassword& password);

// A keyed cipher and the chaining mode running on it, with both initial
// values set. The mode refers to the cipher, so the two live together.
class CPackCipher {
 public:
  // Empty when the password check fails or the flags name no cipher or no
  // mode.
  static std::unique_ptr<CPackCipher> Create(PackFlags flags, const PackKeyBytes& key_bytes,
                                             const PackPassword& password);

  ICipherMode& mode() { return *mode_; }
  std::size_t BlockSize() const { return cipher_->BlockSize(); }

 private:
  CPackCipher() = default;
  std::unique_ptr<IBlockCipher> cipher_;
  std::unique_ptr<ICipherMode> mode_;
};

}  // namespace tarrowin
