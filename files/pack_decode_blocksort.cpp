// Block-sorting stage decoder: run-length decoding into block buffers, then
// per block move-to-front decoding and the inverse transform.
#include "files/pack_decode_blocksort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "files/pack_stream_format.h"

namespace tarrowin {
namespace {

class CBlockSortDecoder {
 public:
  CBlockSortDecoder(CPackByteSource& input, std::uint32_t block_size, CPackOutput& output)
      : input_(input), output_(output), block_limit_(block_size + kBlockSortPrimaryBytes) {
    StreamCheck(block_size > 0 && block_size <= kMaxBlockSortSize);
  }

  void Run() {
    const std::uint32_t total = input_.U32();
    if (total == 0) return;
    // The stream's count bounds the block buffer as much as the block size;
    // the buffer grows towards that as bytes arrive.
    block_capacity_ = std::min(total, block_limit_);
    Grow();
    left_ = total;

    // Pending byte p; each step produces p alone or a run of it.
    std::uint8_t pending = input_.Byte();
    while (left_ > 1) {
      if (FastTokens(pending)) continue;
      const std::uint8_t next = input_.Byte();
      if (next != pending) {
        Produce(pending, 1);
        pending = next;
        continue;
      }
      const std::uint32_t run = input_.Byte() + kMinRunLength;
      Produce(pending, std::min(run, left_));
      if (left_ == 0) break;
      pending = input_.Byte();
    }
    if (left_ == 1) Produce(pending, 1);
    if (fill_ > 0) DecodeBlock();
  }

 private:
  // Decodes tokens straight from the input window into the block while the
  // window holds a whole token, the block has room for the longest run and
  // the count is far from its end; false when none of that held.
  bool FastTokens(std::uint8_t& pending) {
    constexpr std::size_t kLongestToken = 3;
    constexpr std::size_t kLongestRun = kMaxRunLength;
    if (fill_ + kLongestRun >= block_.size() && block_.size() < block_capacity_) Grow();
    const std::uint8_t* const in = input_.Next();
    const std::size_t in_size = input_.Available();
    // Output indices below these limits leave room for one more run in the
    // block, and at least two bytes of the count after it.
    const std::size_t room_limit = block_.size() > kLongestRun ? block_.size() - kLongestRun : 0;
    const std::size_t count_limit = left_ > kLongestRun + 1 ? fill_ + (left_ - kLongestRun - 1) : 0;
    const std::size_t out_limit = std::min(room_limit, count_limit);
    // The same conditions as the loop's: it makes progress once entered.
    if (in_size < kLongestToken || fill_ >= out_limit) return false;

    std::uint8_t* const block = block_.data();
    std::size_t read = 0;
    std::size_t out = fill_;
    std::uint8_t p = pending;
    while (in_size - read >= kLongestToken && out < out_limit) {
      const std::uint8_t next = in[read++];
      if (next != p) {
        block[out++] = p;
        p = next;
      } else {
        const std::size_t run = in[read++] + kMinRunLength;
        std::memset(block + out, p, run);
        out += run;
        p = in[read++];
      }
    }
    left_ -= static_cast<std::uint32_t>(out - fill_);
    fill_ = static_cast<std::uint32_t>(out);
    input_.SetNext(in + read);
    pending = p;
    return true;
  }

  // A full block is decoded when more bytes follow it, the last one at the
  // end of the stream.
  void Produce(std::uint8_t byte, std::uint32_t count) {
    left_ -= count;
    while (count > 0) {
      if (fill_ == block_limit_) DecodeBlock();
      if (fill_ == block_.size()) Grow();
      const auto piece = std::min(count, static_cast<std::uint32_t>(block_.size()) - fill_);
      std::memset(block_.data() + fill_, byte, piece);
      fill_ += piece;
      count -= piece;
    }
  }

  // Doubles the block buffer, from 64 KiB up to its capacity, so that a
  // count that claims more than arrives costs no more than what arrived.
  void Grow() {
    constexpr std::size_t kFirstBytes = 64u << 10;
    const std::size_t size = std::max(kFirstBytes, block_.size() * 2);
    block_.resize(std::min<std::size_t>(size, block_capacity_));
  }

  void DecodeBlock() {
    StreamCheck(fill_ > kBlockSortPrimaryBytes);
    std::uint32_t primary = 0;
    for (int i = 3; i >= 0; --i) primary = primary << 8 | block_[i];
    std::uint8_t* data = block_.data() + kBlockSortPrimaryBytes;
    const std::uint32_t length = fill_ - kBlockSortPrimaryBytes;
    StreamCheck(primary < length);
    fill_ = 0;
    MoveToFrontDecode(data, length);
    InverseTransform(data, length, primary);
  }

  static void MoveToFrontDecode(std::uint8_t* data, std::uint32_t length) {
    std::array<std::uint8_t, 256> list;
    for (int i = 0; i < 256; ++i) list[i] = static_cast<std::uint8_t>(i);
    for (std::uint32_t i = 0; i < length; ++i) {
      const std::uint8_t index = data[i];
      const std::uint8_t value = list[index];
      std::memmove(list.data() + 1, list.data(), index);
      list[0] = value;
      data[i] = value;
    }
  }

  // The text is one walk through the rows: forward from the primary row
  // each link gives the next byte, backward the inverse links give the
  // bytes from the last one down. Walking both halves at once keeps two
  // independent chains of loads in flight. A link word holds the next row
  // above its byte; block lengths stay below 2^24, so the row fits.
  void InverseTransform(std::uint8_t* data, std::uint32_t length, std::uint32_t primary) {
    std::array<std::uint32_t, 256> start{};
    for (std::uint32_t i = 0; i < length; ++i) ++start[data[i]];
    std::uint32_t sum = 0;
    for (auto& entry : start) {
      const std::uint32_t count = entry;
      entry = sum;
      sum += count;
    }
    forward_.resize(length);
    backward_.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) {
      const std::uint32_t row = start[data[i]]++;
      forward_[row] = i << 8 | data[i];
      backward_[i] = row << 8 | data[i];
    }
    // The data is no longer needed: the text takes its place.
    const std::uint32_t* forward = forward_.data();
    const std::uint32_t* backward = backward_.data();
    std::uint32_t ahead = primary;
    std::uint32_t behind = primary;
    std::uint32_t low = 0;
    std::uint32_t high = length;
    while (high - low >= 2) {
      const std::uint32_t next = forward[ahead];
      const std::uint32_t previous = backward[behind];
      data[low++] = static_cast<std::uint8_t>(next);
      data[--high] = static_cast<std::uint8_t>(previous);
      ahead = next >> 8;
      behind = previous >> 8;
    }
    if (low < high) data[low] = static_cast<std::uint8_t>(forward[ahead]);
    output_.Deliver(data, length);
  }

  CPackByteSource& input_;
  CPackOutput& output_;
  const std::uint32_t block_limit_;   // primary index and data
  std::uint32_t block_capacity_ = 0;  // the most block_ grows to
  std::uint32_t left_ = 0;            // bytes the run-length stream still produces
  std::vector<std::uint8_t> block_;
  std::uint32_t fill_ = 0;
  std::vector<std::uint32_t> forward_;
  std::vector<std::uint32_t> backward_;
};

}  // namespace

void DecodeBlockSort(CPackByteSource& input, std::uint32_t block_size, CPackOutput& output) {
  CBlockSortDecoder(input, block_size, output).Run();
}

}  // namespace tarrowin
