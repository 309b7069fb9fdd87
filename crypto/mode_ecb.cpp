// Electronic codebook mode.
#include "crypto/mode_ecb.h"

namespace tarrowin {

CModeECB::CModeECB(IBlockCipher& cipher)
    : cipher_(cipher), encrypt_pending_(cipher.BlockSize()), decrypt_pending_(cipher.BlockSize()) {}

// The buffers were sized for the block size at construction; a cipher whose
// block size changed since would overrun them.
bool CModeECB::BlockSizeUnchanged() const {
  return cipher_.BlockSize() == encrypt_pending_.BlockSize();
}

auto CModeECB::Encryptor() {
  return [this](std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    return BlockSizeUnchanged() && cipher_.EncryptBlocks(out, in, blocks);
  };
}

auto CModeECB::Decryptor() {
  return [this](std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    return BlockSizeUnchanged() && cipher_.DecryptBlocks(out, in, blocks);
  };
}

int CModeECB::Encrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                      std::size_t in_length) {
  return encrypt_pending_.Feed(out, out_length, in, in_length, Encryptor());
}

int CModeECB::Decrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                      std::size_t in_length) {
  return decrypt_pending_.Feed(out, out_length, in, in_length, Decryptor());
}

int CModeECB::FinishEncrypt(std::uint8_t* out, std::size_t& out_length) {
  return encrypt_pending_.Finish(out, out_length, Encryptor());
}

int CModeECB::FinishDecrypt(std::uint8_t* out, std::size_t& out_length) {
  return decrypt_pending_.Finish(out, out_length, Decryptor());
}

int CModeECB::SetIV(const std::uint8_t*, const std::uint8_t*) {
  encrypt_pending_.Clear();
  decrypt_pending_.Clear();
  return 1;
}

}  // namespace tarrowin
