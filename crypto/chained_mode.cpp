// The chained modes: buffering shared in CChainedMode, one per-block
// transform per mode. Every transform tolerates out == in.
#include "crypto/chained_mode.h"

#include <algorithm>

namespace tarrowin {

CChainedMode::CChainedMode(IBlockCipher& cipher)
    : cipher_(cipher),
      block_size_(cipher.BlockSize()),
      encrypt_chain_(2 * block_size_, 0),
      decrypt_chain_(2 * block_size_, 0),
      encrypt_pending_(block_size_),
      decrypt_pending_(block_size_) {}

// The registers were sized for the block size at construction; a cipher
// whose block size changed since would overrun them.
bool CChainedMode::BlockSizeUnchanged() const { return cipher_.BlockSize() == block_size_; }

auto CChainedMode::Encryptor() {
  return [this](std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    return BlockSizeUnchanged() && EncryptChain(encrypt_chain_.data(), out, in, blocks);
  };
}

auto CChainedMode::Decryptor() {
  return [this](std::uint8_t* out, const std::uint8_t* in, std::size_t blocks) {
    return BlockSizeUnchanged() && DecryptChain(decrypt_chain_.data(), out, in, blocks);
  };
}

int CChainedMode::Encrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                          std::size_t in_length) {
  return encrypt_pending_.Feed(out, out_length, in, in_length, Encryptor());
}

int CChainedMode::Decrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                          std::size_t in_length) {
  return decrypt_pending_.Feed(out, out_length, in, in_length, Decryptor());
}

int CChainedMode::FinishEncrypt(std::uint8_t* out, std::size_t& out_length) {
  return encrypt_pending_.Finish(out, out_length, Encryptor());
}

int CChainedMode::FinishDecrypt(std::uint8_t* out, std::size_t& out_length) {
  return decrypt_pending_.Finish(out, out_length, Decryptor());
}

int CChainedMode::SetIV(const std::uint8_t* encrypt_iv, const std::uint8_t* decrypt_iv) {
  if (encrypt_iv != nullptr)
    std::copy(encrypt_iv, encrypt_iv + block_size_, encrypt_chain_.begin());
  if (decrypt_iv != nullptr)
    std::copy(decrypt_iv, decrypt_iv + block_size_, decrypt_chain_.begin());
  encrypt_pending_.Clear();
  decrypt_pending_.Clear();
  return 1;
}

int CModeCBC::EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    for (std::size_t i = 0; i < block_size_; ++i) chain[i] ^= in[i];
    if (!cipher_.EncryptBlocks(chain, chain, 1)) return 0;
    std::copy(chain, chain + block_size_, out);
  }
  return 1;
}

CModeCBC::CModeCBC(IBlockCipher& cipher)
    : CChainedMode(cipher), saved_(kBatchBlocks * block_size_) {}

int CModeCBC::DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  while (count != 0) {
    const std::size_t blocks = std::min(count, kBatchBlocks);
    const std::size_t bytes = blocks * block_size_;
    std::copy(in, in + bytes, saved_.begin());
    if (!cipher_.DecryptBlocks(out, saved_.data(), blocks)) return 0;
    for (std::size_t i = 0; i < block_size_; ++i) out[i] ^= chain[i];
    for (std::size_t i = block_size_; i < bytes; ++i) out[i] ^= saved_[i - block_size_];
    std::copy(saved_.begin() + (bytes - block_size_), saved_.begin() + bytes, chain);
    in += bytes;
    out += bytes;
    count -= blocks;
  }
  return 1;
}

int CModeCFB::EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    if (!cipher_.EncryptBlocks(chain, chain, 1)) return 0;
    for (std::size_t i = 0; i < block_size_; ++i) out[i] = chain[i] ^= in[i];
  }
  return 1;
}

int CModeCFB::DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    if (!cipher_.EncryptBlocks(chain, chain, 1)) return 0;
    for (std::size_t i = 0; i < block_size_; ++i) {
      const std::uint8_t c = in[i];
      out[i] = chain[i] ^ c;
      chain[i] = c;
    }
  }
  return 1;
}

int CModeOFB::EncryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  for (; count != 0; --count, in += block_size_, out += block_size_) {
    if (!cipher_.EncryptBlocks(chain, chain, 1)) return 0;
    for (std::size_t i = 0; i < block_size_; ++i) out[i] = in[i] ^ chain[i];
  }
  return 1;
}

int CModeOFB::DecryptChain(std::uint8_t* chain, std::uint8_t* out, const std::uint8_t* in,
                           std::size_t count) {
  return EncryptChain(chain, out, in, count);
}

}  // namespace tarrowin
