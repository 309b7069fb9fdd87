// The memory sinks of the extraction engine: one fills a caller's buffer
// of known size, the other a heap block that grows as decoded bytes arrive,
// so that a record's stated size costs memory only as far as it decodes.
#pragma once

#include <cstdint>
#include <memory>

#include "files/pack_stages.h"

namespace tarrowin {

// Fills a caller's buffer of `capacity` bytes; more is refused.
class CBufferSink : public IPackSink {
 public:
  CBufferSink(std::uint8_t* target, std::uint64_t capacity)
      : target_(target), capacity_(capacity) {}
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override;

 private:
  std::uint8_t* target_;
  std::uint64_t capacity_;
  std::uint64_t written_ = 0;
};

// Collects up to `expected` bytes in a heap block that doubles as it fills,
// from 1 MiB up to the expected size rounded up to 16 bytes.
class CGrowingSink : public IPackSink {
 public:
  explicit CGrowingSink(std::uint64_t expected);
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override;
  // The block at its final size (also for empty content); null when out of
  // memory.
  std::unique_ptr<std::uint8_t[]> Take();

 private:
  bool Reserve(std::uint64_t needed);

  std::uint64_t limit_;
  std::uint64_t capacity_ = 0;
  std::uint64_t written_ = 0;
  std::unique_ptr<std::uint8_t[]> block_;
};

}  // namespace tarrowin
