// The cipher and mode codes, key derivation and cipher set-up of encrypted
// pack records.
#include "files/pack_cipher.h"

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/md5.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/rotate_cipher.h"
#include "crypto/sha256.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"

namespace tarrowin {

std::unique_ptr<IBlockCipher> CreatePackCipher(PackFlags flags) {
  switch (flags & kPackCipherMask) {
    case kPackCipherWord:
      return std::make_unique<CWordCipher>();
    case kPackCipherRotate:
      return std::make_unique<CRotateCipher>();
    case kPackCipherSubst:
      return std::make_unique<CSubstCipher>();
    case kPackCipherRC4:
      return std::make_unique<CRC4>();
    case kPackCipherRC6:
      return std::make_unique<CRC6>();
    case kPackCipherCamellia:
      return std::make_unique<CCamellia>();
    case kPackCipherRijndael:
      return std::make_unique<CRijndael>();
    default:
      return nullptr;
  }
}

std::unique_ptr<ICipherMode> CreatePackMode(PackFlags flags, IBlockCipher& cipher) {
  switch (flags & kPackModeMask) {
    case kPackModeECB:
      return std::make_unique<CModeECB>(cipher);
    case kPackModeCBC:
    case kPackModePasswordCBC:
      return std::make_unique<CModeCBC>(cipher);
    case kPackModeCFB:
      return std::make_unique<CModeCFB>(cipher);
    case kPackModeOFB:
    case kPackModePasswordOFB:
      return std::make_unique<CModeOFB>(cipher);
    default:
      return nullptr;
  }
}

bool PackModeUsesPassword(PackFlags flags) {
  const PackFlags mode = flags & kPackModeMask;
  return mode == kPackModePasswordCBC || mode == kPackModePasswordOFB;
}

PackKey DerivePackKey(const std::uint8_t* material, std::size_t length) {
  CSHA256 digest;
  digest.Update(material, length);
  digest.Final();
  PackKey key;
  digest.Fold(key.data(), key.size());
  return key;
}

PackKeyBytes PackPasswordCheck(const PackPassword& password) {
  CMD5 digest;
  digest.Update(password.data(), password.size());
  digest.Final();
  PackKeyBytes check;
  digest.Fold(check.data(), check.size());
  return check;
}

std::unique_ptr<CPackCipher> CPackCipher::Create(PackFlags flags, const PackKeyBytes& key_bytes,
                                                 const PackPassword& password) {
  PackKey key;
  if (PackModeUsesPassword(flags)) {
    if (PackPasswordCheck(password) != key_bytes) return nullptr;
    key = DerivePackKey(password.data(), password.size());
  } else {
    key = DerivePackKey(key_bytes.data(), key_bytes.size());
  }
  const PackKey iv = DerivePackKey(key.data(), key.size());

  std::unique_ptr<CPackCipher> result(new CPackCipher());
  result->cipher_ = CreatePackCipher(flags);
  if (!result->cipher_) return nullptr;
  result->cipher_->SetBlockSize(16);  // ciphers of another fixed size refuse; that is fine
  if (!result->cipher_->SetKey(key.data(), key.size())) return nullptr;
  result->mode_ = CreatePackMode(flags, *result->cipher_);
  if (!result->mode_) return nullptr;
  // Modes take one block of initial value; the 16 bytes cover every cipher.
  if (result->cipher_->BlockSize() > iv.size()) return nullptr;
  result->mode_->SetIV(iv.data(), iv.data());
  return result;
}

}  // namespace tarrowin
