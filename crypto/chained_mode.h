// The chained modes: CBC, CFB with full-block feedback, and OFB. Each
// direction has its own chain register, zero until SetIV. ECB (mode_ecb.h)
// shares their buffering without using the register.
#pragma once

#include <vector>

#include "crypto/block_cipher.h"
#include "crypto/cipher_mode.h"
#include "crypto/pending_block.h"

namespace tarrowin {

class CChainedMode : public ICipherMode {
 public:
  int Encrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
              std::size_t in_length) override;
  int Decrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
              std::size_t in_length) override;
  int FinishEncrypt(std::uint8_t* out, std::size_t& out_length) override;
  int FinishDecrypt(std::uint8_t* out, std::size_t& out_length) override;
  int SetIV(const std::uint8_t* encrypt_iv, const std::uint8_t* decrypt_iv) override;

  // The mode's transform of `count` whole blocks. `chain` is the chain
  // register followed by one block of scratch space.
  virtual int EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) = 0;
  virtual int DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) = 0;

 protected:
  // The cipher is not owned and must outlive the mode.
  explicit CChainedMode(IBlockCipher& cipher);

  IBlockCipher& cipher_;
  const std::size_t block_size_;

 private:
  bool BlockSizeUnchanged() const;
  auto Encryptor();
  auto Decryptor();

  std::vector<std::uint8_t> encrypt_chain_;
  std::vector<std::uint8_t> decrypt_chain_;
  CPendingBlock encrypt_pending_;
  CPendingBlock decrypt_pending_;
};

// Cipher block chaining: C = E(R ^ P), R = C.
class CModeCBC final : public CChainedMode {
 public:
  explicit CModeCBC(IBlockCipher& cipher);
  int EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
  int DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;

 private:
  // Decryption runs batches of blocks through the cipher at once; the
  // cipher text of a batch is kept here, since `out` may be `in`.
  static constexpr std::size_t kBatchBlocks = 64;
  std::vector<std::uint8_t> saved_;
};

// Cipher feedback with full-block feedback: C = E(R) ^ P, R = C.
class CModeCFB final : public CChainedMode {
 public:
  explicit CModeCFB(IBlockCipher& cipher) : CChainedMode(cipher) {}
  int EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
  int DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
};

// Output feedback: R = E(R), C = P ^ R; decryption is the same transform.
class CModeOFB final : public CChainedMode {
 public:
  explicit CModeOFB(IBlockCipher& cipher) : CChainedMode(cipher) {}
  int EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
  int DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t count) override;
};

}  // namespace tarrowin
