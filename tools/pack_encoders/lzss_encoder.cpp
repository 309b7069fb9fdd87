// Sliding-window stage encoder.
#include "tools/pack_encoders/lzss_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "files/pack_stream_format.h"
#include "tools/pack_encoders/byte_output.h"

namespace tarrowin::pack_encoding {
namespace {

constexpr int kHashBits = 16;
constexpr int kMaxChain = 256;
// A match this long is taken without looking further.
constexpr std::size_t kNiceLength = 192;
constexpr std::int32_t kNone = -1;

// Literals and matches under flag bytes whose bits go from the least
// significant upward; a flag byte is written only when a token follows.
class TokenWriter {
 public:
  explicit TokenWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Literal(std::uint8_t byte) {
    Flag(1);
    out_.push_back(byte);
  }
  void Match(std::size_t distance, std::size_t length) {
    Flag(0);
    AppendU16(out_, static_cast<std::uint32_t>(distance));
    out_.push_back(static_cast<std::uint8_t>(length - kMinMatchLength));
  }

 private:
  void Flag(int bit) {
    if (bits_ == 8) {
      flag_at_ = out_.size();
      out_.push_back(0);
      bits_ = 0;
    }
    out_[flag_at_] = static_cast<std::uint8_t>(out_[flag_at_] | bit << bits_);
    ++bits_;
  }

  std::vector<std::uint8_t>& out_;
  std::size_t flag_at_ = 0;
  int bits_ = 8;
};

class MatchFinder {
 public:
  MatchFinder(std::span<const std::uint8_t> data, std::size_t window, std::size_t max_distance)
      : data_(data),
        mask_(window - 1),
        max_distance_(max_distance),
        head_(std::size_t{1} << kHashBits, kNone),
        previous_(window, kNone) {}

  // Adds every position before `position` to the chains.
  void InsertUpTo(std::size_t position) {
    for (; inserted_ < position; ++inserted_) {
      if (inserted_ + kMinMatchLength > data_.size()) continue;
      const std::uint32_t hash = Hash(inserted_);
      previous_[inserted_ & mask_] = head_[hash];
      head_[hash] = static_cast<std::int32_t>(inserted_);
    }
  }

  // The longest match at `position` with the nearest distance among equal
  // lengths; length 0 when none of the minimum length exists.
  std::size_t Find(std::size_t position, std::size_t* distance) {
    InsertUpTo(position);
    const std::size_t limit = std::min<std::size_t>(kMaxMatchLength, data_.size() - position);
    if (limit < kMinMatchLength) return 0;
    std::size_t best = kMinMatchLength - 1;
    std::int32_t candidate = head_[Hash(position)];
    const std::uint8_t* here = data_.data() + position;
    for (int chain = 0; chain < kMaxChain && candidate != kNone; ++chain) {
      const std::size_t from = static_cast<std::size_t>(candidate);
      if (position - from > max_distance_) break;
      const std::uint8_t* there = data_.data() + from;
      if (there[best] == here[best]) {
        const std::size_t length = CommonLength(there, here, limit);
        if (length > best) {
          best = length;
          *distance = position - from;
          if (length >= kNiceLength || length == limit) break;
        }
      }
      candidate = previous_[from & mask_];
    }
    return best >= kMinMatchLength ? best : 0;
  }

 private:
  std::uint32_t Hash(std::size_t position) const {
    std::uint32_t word;
    std::memcpy(&word, data_.data() + position, 4);
    return (word * 2654435761u) >> (32 - kHashBits);
  }

  static std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t length = 0;
    while (length + 8 <= limit) {
      std::uint64_t x, y;
      std::memcpy(&x, a + length, 8);
      std::memcpy(&y, b + length, 8);
      if (x != y) {
        // The first differing byte in memory order (little-endian loads).
        return length + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
      }
      length += 8;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
  }

  std::span<const std::uint8_t> data_;
  std::size_t mask_;
  std::size_t max_distance_;
  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> previous_;
  std::size_t inserted_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeSlidingWindow(std::span<const std::uint8_t> data,
                                              std::uint32_t exponent) {
  if (exponent > kMaxWindowExponent) {
    throw std::invalid_argument("sliding window: exponent above 15");
  }
  if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::invalid_argument("sliding window: 4 GiB or more");
  }
  const std::size_t window = std::size_t{2} << exponent;
  const std::size_t max_distance = std::min<std::size_t>(window - 1, kMaxMatchDistance);
  std::vector<std::uint8_t> out;
  out.reserve(data.size() / 2 + 64);
  AppendU32(out, static_cast<std::uint32_t>(data.size()));
  AppendU16(out, exponent);
  TokenWriter tokens(out);
  MatchFinder finder(data, window, max_distance);

  // Lazy evaluation: a match is deferred by one byte when the next
  // position holds a longer one.
  std::size_t position = 0;
  std::size_t distance = 0;
  std::size_t length = finder.Find(0, &distance);
  while (position < data.size()) {
    if (length == 0) {
      tokens.Literal(data[position]);
      ++position;
      length = finder.Find(position, &distance);
      continue;
    }
    if (length < kNiceLength && position + 1 < data.size()) {
      std::size_t next_distance = 0;
      const std::size_t next_length = finder.Find(position + 1, &next_distance);
      if (next_length > length) {
        tokens.Literal(data[position]);
        ++position;
        length = next_length;
        distance = next_distance;
        continue;
      }
    }
    tokens.Match(distance, length);
    position += length;
    length = position < data.size() ? finder.Find(position, &distance) : 0;
  }
  return out;
}

}  // namespace tarrowin::pack_encoding
