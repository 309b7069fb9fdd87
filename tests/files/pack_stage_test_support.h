// Shared pieces of the pack stage tests: an in-memory reader and sink with
// the failures a test needs, the stage combinations, test data and a tiny
// byte writer for hand-built streams.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "files/pack_stages.h"

namespace tarrowin::testing_pack {

// Serves stored bytes in pieces of at most `piece` bytes; fails or runs dry
// (true with nothing) once `stop_at` bytes were delivered.
class MemoryReader final : public IPackReader {
 public:
  enum class Stop { kFail, kDry };
  explicit MemoryReader(std::span<const std::uint8_t> bytes, std::uint32_t piece = 65536)
      : bytes_(bytes), piece_(piece) {}
  void StopAt(std::size_t offset, Stop how) {
    stop_at_ = offset;
    stop_ = how;
  }
  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override;
  std::size_t Calls() const { return calls_; }
  std::size_t Position() const { return position_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::uint32_t piece_;
  std::size_t position_ = 0;
  std::size_t stop_at_ = SIZE_MAX;
  Stop stop_ = Stop::kFail;
  std::size_t calls_ = 0;
};

// Collects what it is given; takes at most `take` bytes a call and refuses
// everything once `refuse_after` bytes were taken.
class MemorySink final : public IPackSink {
 public:
  explicit MemorySink(std::uint32_t take = UINT32_MAX, std::size_t refuse_after = SIZE_MAX)
      : take_(take), refuse_after_(refuse_after) {}
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  int EndCalls() const { return end_calls_; }
  std::uint32_t LargestPiece() const { return largest_piece_; }

 private:
  std::uint32_t take_;
  std::size_t refuse_after_;
  std::vector<std::uint8_t> bytes_;
  int end_calls_ = 0;
  std::uint32_t largest_piece_ = 0;
};

struct NamedStages {
  std::string name;
  PackStages stages;
};

// The seven stage combinations, with a small block-sorting size and entropy
// capacity so that blocks and entropy blocks change inside the test data.
std::vector<NamedStages> AllCombinations();
PackStages Stages(PackFirstStage first, PackEntropyStage entropy, std::uint32_t block_sort = 131072,
                  std::uint32_t capacity = 32768);

// Decodes `stored` whole; nullopt for a false result. The end call must come
// exactly once on success.
std::optional<std::vector<std::uint8_t>> Decode(const PackStages& stages,
                                                std::span<const std::uint8_t> stored,
                                                std::uint32_t piece = 65536);

enum class DataKind { kText, kRandom, kRuns, kSame };
std::string DataKindName(DataKind kind);
std::vector<std::uint8_t> MakeData(DataKind kind, std::size_t size, std::uint32_t seed = 1);

// Bytes of a hand-built stream.
class ByteWriter {
 public:
  ByteWriter& U8(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  ByteWriter& U16(std::uint32_t value) { return U8(value).U8(value >> 8); }
  ByteWriter& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
  ByteWriter& Repeat(std::uint32_t value, std::size_t count) {
    bytes_.insert(bytes_.end(), count, static_cast<std::uint8_t>(value));
    return *this;
  }
  ByteWriter& Bytes(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  const std::vector<std::uint8_t>& Get() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tarrowin::testing_pack
