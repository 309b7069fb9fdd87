// Key derivation and cipher set-up for encrypted pack records: the key and
// initial value come from SHA-256 digests of the key material, which is the
// record's 8 key bytes or, for the password modes, the archive's password.
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
