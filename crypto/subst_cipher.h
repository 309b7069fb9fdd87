// The strongest own cipher: rounds of keyed byte substitution, rotation and
// a mixing step across word boundaries, with an 8-word key. Blocks of 4 to
// 16 bytes in steps of 4 (default 4), 8 to 32 rounds (default 8).
#pragma once

#include <array>

#include "crypto/block_cipher.h"

namespace tarrowin {

class CSubstCipher : public IBlockCipher {
 public:
  static constexpr std::uint32_t kMinRounds = 8;

  // Uses the first 32 key bytes, padding a shorter key with zeros.
  int SetKey(const std::uint8_t* key, std::size_t length) override;
  // The low 16 bits are the block size; bits 16 and up give the rounds,
  // raised to at least 8. Values of 0x210000 and above are refused.
  int SetBlockSize(std::uint32_t value) override;
  std::size_t BlockSize() const override { return block_size_; }
  std::uint32_t Rounds() const { return rounds_; }
  int EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;
  int DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) override;

 private:
  void EncryptBlock(std::uint32_t* w, std::size_t n) const;
  void DecryptBlock(std::uint32_t* w, std::size_t n) const;

  std::uint32_t block_size_ = 4;
  std::uint32_t rounds_ = kMinRounds;
  std::array<std::uint32_t, 8> r_{};  // rotation amounts, 0 .. 31
  std::array<std::uint32_t, 4> q_{};  // row selectors into kRoundTableRows, 0 .. 15
  std::array<std::uint32_t, 8> k_{};
};

}  // namespace tarrowin
