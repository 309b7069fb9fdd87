// MT19937 (Matsumoto and Nishimura) with the 1998 reference seeding for
// Seed32 and the 2002 array seeding for SeedArray. The core choice of the
// engine and the tables of the pack ciphers depend on this exact sequence.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/random_generator.h"

namespace tarrowin {

class CMersenneTwister : public IRandomGenerator {
 public:
  static constexpr int kWords = 624;
  static constexpr std::uint32_t kDefaultSeed = 1587235105;  // 0x5E9B4921

  CMersenneTwister() { Seed32(kDefaultSeed); }
  explicit CMersenneTwister(std::uint32_t seed) { Seed32(seed); }

  std::uint32_t Next32() override;
  // (a << 32) ^ (b << 16) ^ c of three successive outputs, a first.
  std::uint64_t Next64() override;
  void Seed32(std::uint32_t seed) override;
  void Seed64(std::uint64_t seed) override;
  void SeedArray(const std::uint32_t* words, std::size_t count) override;
  // A state is the index word then the 625 state words, little-endian.
  int LoadState(const void* buffer, std::size_t byte_size) override;
  int SaveState(void* buffer, std::size_t byte_size) const override;
  std::size_t StateSize() const override { return 4 + (kWords + 1) * 4; }

 private:
  void Regenerate();

  std::uint32_t index_ = kWords;
  // The spare last word holds a copy of the regenerated word 0, so the step
  // for word 623 reads its successor there instead of wrapping.
  std::array<std::uint32_t, kWords + 1> words_{};
};

}  // namespace tarrowin
