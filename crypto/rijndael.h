// Rijndael with blocks and keys of 16, 24 or 32 bytes; with the default
// 16-byte block it is AES (FIPS 197). Rounds = max(key words, block words) + 6.
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CRijndael : public IBlockCipher {
 public:
  // Schedule choice in bits 16 and 17 of SetBlockSize's value.
  static constexpr std::uint32_t kBuildEncrypt = 0x10000;
  static constexpr std::uint32_t kBuildDecrypt = 0x20000;

  CRijndael();
  // Refuses key lengths other than 16, 24 and 32. Without an earlier
  // SetBlockSize the block is 16 bytes and both schedules are built.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  // Low 16 bits: the block size, 16, 24 or 32. No bits above them: build
  // both schedules; otherwise kBuildEncrypt and kBuildDecrypt choose. A
  // schedule built earlier is dropped: the key must be set again.
  int SetBlockSize(std::uint32_t value) override;
  std::size_t BlockSize() const override { return block_words_ * 4; }
  // Refused when the schedule of the direction was not built.
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  static constexpr int kMaxScheduleWords = 120;  // 8 block words x 15 round keys

  void BuildDecryptSchedule();

  std::array<std::uint32_t, kMaxScheduleWords> encrypt_keys_{};
  std::array<std::uint32_t, kMaxScheduleWords> decrypt_keys_{};
  int key_words_ = 0;
  int rounds_ = 0;
  int block_words_ = 4;
  bool block_size_set_ = false;
  bool want_encrypt_ = true;
  bool want_decrypt_ = true;
  bool encrypt_ready_ = false;
  bool decrypt_ready_ = false;
};

}  // namespace tarrowin
