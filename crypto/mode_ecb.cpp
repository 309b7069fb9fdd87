// Electronic codebook mode.
#include "crypto/mode_ecb.h"

namespace tarrowin {

int CModeECB::SetIV(const std::uint8_t*, const std::uint8_t*) {
  return CChainedMode::SetIV(nullptr, nullptr);
}

int CModeECB::EncryptChain(std::uint8_t*, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  return cipher_.EncryptBlocks(out, in, count);
}

int CModeECB::DecryptChain(std::uint8_t*, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  return cipher_.DecryptBlocks(out, in, count);
}

}  // namespace tarrowin
