// Electronic codebook mode: each block on its own.
#pragma once

#include "crypto/block_cipher.h"
#include "crypto/cipher_mode.h"
#include "crypto/pending_block.h"

namespace tarrowin {

class CModeECB : public ICipherMode {
 public:
  // The cipher is not owned and must outlive the mode.
  explicit CModeECB(IBlockCipher& cipher);

  int Encrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
              std::size_t in_length) override;
  int Decrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
              std::size_t in_length) override;
  int FinishEncrypt(std::uint8_t* out, std::size_t& out_length) override;
  int FinishDecrypt(std::uint8_t* out, std::size_t& out_length) override;
  int SetIV(const std::uint8_t* encrypt_iv, const std::uint8_t* decrypt_iv) override;

 private:
  bool BlockSizeUnchanged() const;
  auto Encryptor();
  auto Decryptor();

  IBlockCipher& cipher_;
  CPendingBlock encrypt_pending_;
  CPendingBlock decrypt_pending_;
};

}  // namespace tarrowin
