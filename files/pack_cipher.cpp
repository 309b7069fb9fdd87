// Key derivation and cipher set-up of encrypted pack records.
#include "files/pack_cipher.h"

#include "crypto/md5.h"
#include "crypto/pack_cipher_codes.h"
#include "crypto/sha256.h"

namespace tarrowin {

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
