// The cipher and chaining mode that a pack archive record's flags select:
// the cipher code in bits 16-19, the mode code in bits 20-25.
#pragma once

#include <cstdint>
#include <memory>

#include "crypto/block_cipher.h"
#include "crypto/cipher_mode.h"

namespace tarrowin {

constexpr std::uint32_t kPackCipherMask = 0x000F0000;
constexpr std::uint32_t kPackModeMask = 0x03F00000;

// The cipher of the code in flags & kPackCipherMask, unkeyed; null for a
// code without a cipher.
std::unique_ptr<IBlockCipher> CreatePackCipher(std::uint32_t flags);

// The mode of the code in flags & kPackModeMask on `cipher` (not owned, must
// outlive the mode); null for a code without a mode.
std::unique_ptr<ICipherMode> CreatePackMode(std::uint32_t flags, IBlockCipher& cipher);

// True for the mode codes whose key material is the archive's 32-byte
// password (checked against the record's 8 key bytes) rather than the
// record's 8 key bytes.
bool PackModeUsesPassword(std::uint32_t flags);

}  // namespace tarrowin
