// The pack format's cipher and mode codes.
#include "crypto/pack_cipher_codes.h"

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/rotate_cipher.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kPasswordCBC = 0x01000000;
constexpr std::uint32_t kPasswordOFB = 0x02000000;

}  // namespace

std::unique_ptr<IBlockCipher> CreatePackCipher(std::uint32_t flags) {
  switch ((flags & kPackCipherMask) >> 16) {
    case 1:
      return std::make_unique<CWordCipher>();
    case 2:
      return std::make_unique<CRotateCipher>();
    case 3:
      return std::make_unique<CSubstCipher>();
    case 5:
      return std::make_unique<CRC4>();
    case 6:
      return std::make_unique<CRC6>();
    case 8:
      return std::make_unique<CCamellia>();
    case 10:
      return std::make_unique<CRijndael>();
    default:
      return nullptr;
  }
}

std::unique_ptr<ICipherMode> CreatePackMode(std::uint32_t flags, IBlockCipher& cipher) {
  switch (flags & kPackModeMask) {
    case 0x00100000:
      return std::make_unique<CModeECB>(cipher);
    case 0x00200000:
    case kPasswordCBC:
      return std::make_unique<CModeCBC>(cipher);
    case 0x00300000:
      return std::make_unique<CModeCFB>(cipher);
    case 0x00400000:
    case kPasswordOFB:
      return std::make_unique<CModeOFB>(cipher);
    default:
      return nullptr;
  }
}

bool PackModeUsesPassword(std::uint32_t flags) {
  const std::uint32_t mode = flags & kPackModeMask;
  return mode == kPasswordCBC || mode == kPasswordOFB;
}

}  // namespace tarrowin
