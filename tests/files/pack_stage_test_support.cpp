// Shared pieces of the pack stage tests.
#include "tests/files/pack_stage_test_support.h"

#include <algorithm>
#include <cstring>

namespace tarrowin::testing_pack {

bool MemoryReader::Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) {
  ++calls_;
  *delivered = 0;
  if (position_ >= stop_at_) return stop_ == Stop::kDry;
  std::size_t n = std::min<std::size_t>({count, piece_, bytes_.size() - position_});
  n = std::min(n, stop_at_ - position_);
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  *delivered = static_cast<std::uint32_t>(n);
  return true;
}

bool MemorySink::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) {
  *taken = 0;
  if (buffer == nullptr && count == 0) {
    ++end_calls_;
    return true;
  }
  if (bytes_.size() >= refuse_after_) return false;
  const std::uint32_t n = std::min(count, take_);
  largest_piece_ = std::max(largest_piece_, count);
  bytes_.insert(bytes_.end(), buffer, buffer + n);
  *taken = n;
  return true;
}

PackStages Stages(PackFirstStage first, PackEntropyStage entropy, std::uint32_t block_sort,
                  std::uint32_t capacity) {
  PackStages stages;
  stages.first = first;
  stages.entropy = entropy;
  stages.block_sort_size = block_sort;
  stages.window_exponent = 15;
  stages.entropy_capacity = capacity;
  return stages;
}

std::vector<NamedStages> AllCombinations() {
  using F = PackFirstStage;
  using E = PackEntropyStage;
  return {
      {"lzss", Stages(F::kSlidingWindow, E::kNone)},
      {"huffman", Stages(F::kNone, E::kHuffman)},
      {"range", Stages(F::kNone, E::kRange)},
      {"lzss_huffman", Stages(F::kSlidingWindow, E::kHuffman)},
      {"lzss_range", Stages(F::kSlidingWindow, E::kRange)},
      {"bwt_huffman", Stages(F::kBlockSort, E::kHuffman)},
      {"bwt_range", Stages(F::kBlockSort, E::kRange)},
  };
}

std::optional<std::vector<std::uint8_t>> Decode(const PackStages& stages,
                                                std::span<const std::uint8_t> stored,
                                                std::uint32_t piece) {
  MemoryReader reader(stored, piece);
  MemorySink sink;
  if (!DecodePackStages(stages, static_cast<std::uint32_t>(stored.size()), reader, sink)) {
    return std::nullopt;
  }
  if (sink.EndCalls() != 1) return std::nullopt;
  return sink.Bytes();
}

std::string DataKindName(DataKind kind) {
  switch (kind) {
    case DataKind::kText:
      return "text";
    case DataKind::kRandom:
      return "random";
    case DataKind::kRuns:
      return "runs";
    case DataKind::kSame:
      return "same";
  }
  return "?";
}

std::vector<std::uint8_t> MakeData(DataKind kind, std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> data;
  data.reserve(size + 64);
  switch (kind) {
    case DataKind::kText: {
      static const char* const kWords[] = {
          "the ",        "rule ",        "process ",     "core ", "mask ",
          "of ",         "settings ",    "file ",        "a ",    "window\n",
          "tray ",       "limit ",       "affinity ",    "pack ", "entry ",
          "[section]\n", "CPUCount=2\n", "ProcessName=", "and ",  "to "};
      std::geometric_distribution<int> pick(0.18);
      while (data.size() < size) {
        const int word = std::min(pick(random), 19);
        for (const char* c = kWords[word]; *c != '\0'; ++c)
          data.push_back(static_cast<std::uint8_t>(*c));
        if (random() % 23 == 0) {
          const std::string number = std::to_string(random() % 100000);
          data.insert(data.end(), number.begin(), number.end());
        }
      }
      break;
    }
    case DataKind::kRandom:
      while (data.size() < size) data.push_back(static_cast<std::uint8_t>(random()));
      break;
    case DataKind::kRuns:
      while (data.size() < size) {
        const std::size_t run = 1 + random() % 600;
        data.insert(data.end(), run, static_cast<std::uint8_t>(random() % 4));
      }
      break;
    case DataKind::kSame:
      data.assign(size, 0x61);
      break;
  }
  data.resize(size);
  return data;
}

}  // namespace tarrowin::testing_pack
