// An abstract source of random 32- and 64-bit values with seeding and a
// saveable state; the engine's random core choice and the pack format's
// substitution tables draw from it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

class IRandomGenerator {
 public:
  virtual ~IRandomGenerator() = default;
  virtual std::uint32_t Next32() = 0;
  virtual std::uint64_t Next64() = 0;
  // Next output reduced modulo `bound` (plain modulo: the small bias of a
  // bound that does not divide 2^32 is part of the defined sequence).
  virtual std::uint32_t Uniform32(std::uint32_t bound) { return Next32() % bound; }
  virtual std::uint64_t Uniform64(std::uint64_t bound) { return Next64() % bound; }
  virtual void Seed32(std::uint32_t seed) = 0;
  virtual void Seed64(std::uint64_t seed) = 0;
  virtual void SeedArray(const std::uint32_t* words, std::size_t count) = 0;
  virtual int LoadState(const void* buffer, std::size_t byte_size) = 0;
  virtual int SaveState(void* buffer, std::size_t byte_size) const = 0;
  virtual std::size_t StateSize() const = 0;
};

}  // namespace tarrowin
