// Range-coder stage encoder. The coder keeps the low end of the range with
// a carry bit and holds back a byte and a run of 0xFF bytes until a carry
// can no longer reach them.
#include "tools/pack_encoders/range_encoder.h"

#include <cmath>
#include <stdexcept>

#include "files/pack_stream_format.h"
#include "tools/pack_encoders/byte_output.h"
#include "tools/pack_encoders/entropy_blocks.h"

namespace tarrowin::pack_encoding {
namespace {

// The block's starting range lies below 2^32, so the byte above the first
// code byte is always 0: it is dropped.
class RangeCoder {
 public:
  explicit RangeCoder(std::vector<std::uint8_t>& out) : out_(out) {}

  void Encode(std::uint32_t cumulative, std::uint32_t frequency) {
    const std::uint32_t r = range_ >> kRangeFrequencyBits;
    low_ += static_cast<std::uint64_t>(r) * cumulative;
    range_ = r * frequency;
    while (range_ < kRangeBottom) {
      range_ <<= 8;
      ShiftLow();
    }
  }
  // The decoder reads four code bytes and one per shift: the low end,
  // written whole, lies inside every range it went through.
  void Finish() {
    for (int i = 0; i < 5; ++i) ShiftLow();
  }

 private:
  void ShiftLow() {
    if (static_cast<std::uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
      const auto carry = static_cast<std::uint8_t>(low_ >> 32);
      std::uint8_t held = cache_;
      do {
        Emit(static_cast<std::uint8_t>(held + carry));
        held = 0xFF;
      } while (--cache_size_ != 0);
      cache_ = static_cast<std::uint8_t>(low_ >> 24);
    }
    ++cache_size_;
    low_ = (low_ & 0x00FFFFFF) << 8;
  }
  void Emit(std::uint8_t byte) {
    if (first_) {
      if (byte != 0) throw std::logic_error("range coder: carry past the first code byte");
      first_ = false;
      return;
    }
    out_.push_back(byte);
  }

  std::vector<std::uint8_t>& out_;
  std::uint64_t low_ = 0;
  std::uint32_t range_ = kRangeInitial;
  std::uint8_t cache_ = 0;
  std::uint64_t cache_size_ = 1;
  bool first_ = true;
};

void AppendFrequency(std::vector<std::uint8_t>& out, std::uint32_t frequency) {
  if (frequency < kRangeShortFrequency) {
    out.push_back(static_cast<std::uint8_t>(kRangeShortFrequency | frequency));
  } else {
    out.push_back(static_cast<std::uint8_t>(frequency & 0x7F));
    out.push_back(static_cast<std::uint8_t>(frequency >> 7));
  }
}

std::size_t FrequencyBytes(std::uint32_t frequency) {
  return frequency < kRangeShortFrequency ? 1 : 2;
}

void EncodeBlock(std::span<const std::uint8_t> block, bool last, std::vector<std::uint8_t>& out) {
  std::array<std::uint64_t, 256> counts{};
  for (const std::uint8_t byte : block) ++counts[byte];
  const auto frequency = NormaliseFrequencies(counts);

  AppendU32(out, static_cast<std::uint32_t>(block.size()));
  // The shorter of the two table forms; pairs hold at most 255 symbols.
  std::size_t pairs = 0, pair_bytes = 1, all_bytes = 0;
  for (const std::uint32_t f : frequency) {
    all_bytes += FrequencyBytes(f);
    if (f != 0) {
      ++pairs;
      pair_bytes += 1 + FrequencyBytes(f);
    }
  }
  const bool use_pairs = pairs <= 255 && pair_bytes <= all_bytes;
  const std::uint8_t form = use_pairs ? kRangeFormPairs : kRangeFormAll;
  out.push_back(last ? form : static_cast<std::uint8_t>(form | kEntropyMoreBlocks));
  if (use_pairs) {
    out.push_back(static_cast<std::uint8_t>(pairs));
    for (int symbol = 0; symbol < 256; ++symbol) {
      if (frequency[symbol] == 0) continue;
      out.push_back(static_cast<std::uint8_t>(symbol));
      AppendFrequency(out, frequency[symbol]);
    }
  } else {
    for (const std::uint32_t f : frequency) AppendFrequency(out, f);
  }
  std::array<std::uint32_t, 256> cumulative{};
  std::uint32_t sum = 0;
  for (int symbol = 0; symbol < 256; ++symbol) {
    cumulative[symbol] = sum;
    sum += frequency[symbol];
  }
  RangeCoder coder(out);
  for (const std::uint8_t byte : block) coder.Encode(cumulative[byte], frequency[byte]);
  coder.Finish();
}

}  // namespace

std::array<std::uint32_t, 256> NormaliseFrequencies(const std::array<std::uint64_t, 256>& counts) {
  std::array<std::uint32_t, 256> frequency{};
  std::uint64_t total = 0;
  for (const std::uint64_t count : counts) total += count;
  if (total == 0) return frequency;
  std::int64_t assigned = 0;
  for (int s = 0; s < 256; ++s) {
    if (counts[s] == 0) continue;
    const double ideal = static_cast<double>(counts[s]) * kRangeTotal / static_cast<double>(total);
    frequency[s] = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(ideal)));
    assigned += frequency[s];
  }
  // Settle the difference one step at a time where a step costs least:
  // count * log2 of the ratio is the change in coded bits.
  while (assigned != kRangeTotal) {
    const bool add = assigned < static_cast<std::int64_t>(kRangeTotal);
    int pick = -1;
    double best = 0;
    for (int s = 0; s < 256; ++s) {
      if (counts[s] == 0 || (!add && frequency[s] <= 1)) continue;
      const double f = frequency[s];
      const double change =
          static_cast<double>(counts[s]) * (add ? std::log2((f + 1) / f) : -std::log2((f - 1) / f));
      // Adding: the biggest saving; taking away: the smallest loss.
      if (pick < 0 || (add ? change > best : change < best)) {
        pick = s;
        best = change;
      }
    }
    frequency[pick] += add ? 1 : -1;
    assigned += add ? 1 : -1;
  }
  return frequency;
}

std::vector<std::uint8_t> EncodeRange(std::span<const std::uint8_t> data, std::size_t max_block) {
  // A table is about 1.5 bytes per symbol in pairs, at most 512 bytes.
  return EncodeEntropyBlocks(
      data, max_block, [](int distinct) { return 8.0 * (6 + std::min(2.5 * distinct, 384.0)); },
      EncodeBlock);
}

}  // namespace tarrowin::pack_encoding
