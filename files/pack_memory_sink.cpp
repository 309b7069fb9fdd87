// The memory sinks of the extraction engine.
#include "files/pack_memory_sink.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace tarrowin {
namespace {

constexpr std::uint64_t kFirstGrowth = 1u << 20;

std::uint64_t RoundUp16(std::uint64_t size) { return (size + 15) & ~std::uint64_t{15}; }

}  // namespace

bool CBufferSink::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) {
  *taken = 0;
  if (count == 0) return true;
  if (count > capacity_ - written_) return false;
  std::memcpy(target_ + written_, buffer, count);
  written_ += count;
  *taken = count;
  return true;
}

CGrowingSink::CGrowingSink(std::uint64_t expected) : limit_(RoundUp16(expected)) {}

bool CGrowingSink::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) {
  *taken = 0;
  if (count == 0) return true;
  if (count > limit_ - written_ || !Reserve(written_ + count)) return false;
  std::memcpy(block_.get() + written_, buffer, count);
  written_ += count;
  *taken = count;
  return true;
}

std::unique_ptr<std::uint8_t[]> CGrowingSink::Take() {
  if (!Reserve(limit_)) return nullptr;
  return std::move(block_);
}

bool CGrowingSink::Reserve(std::uint64_t needed) {
  if (needed <= capacity_ && block_) return true;
  std::uint64_t capacity = std::max<std::uint64_t>(capacity_, std::min(limit_, kFirstGrowth));
  while (capacity < needed) capacity = std::min(limit_, capacity * 2);
  if (capacity > SIZE_MAX || capacity < needed) return false;
  // One byte at least, so that empty content still has a block.
  const auto bytes = std::max<std::size_t>(static_cast<std::size_t>(capacity), 1);
  std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[bytes]);
  if (!grown) return false;
  if (written_ > 0) std::memcpy(grown.get(), block_.get(), static_cast<std::size_t>(written_));
  block_ = std::move(grown);
  capacity_ = capacity;
  return true;
}

}  // namespace tarrowin
