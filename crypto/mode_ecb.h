// Electronic codebook mode: each block on its own. It shares the chained
// modes' buffering and leaves their chain register unused.
#pragma once

#include "crypto/chained_mode.h"

namespace tarrowin {

class CModeECB final : public CChainedMode {
 public:
  // The cipher is not owned and must outlive the mode.
  explicit CModeECB(IBlockCipher& cipher) : CChainedMode(cipher) {}

  // There is no initial value to load: this only drops the pending bytes.
  int SetIV(const std::uint8_t* encrypt_iv, const std::uint8_t* decrypt_iv) override;

  int EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
  int DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
};

}  // namespace tarrowin
