// Block-sorting stage decoder: run-length decoding into block buffers, then
// per block move-to-front decoding and the inverse transform.
#include "files/pack_decode_blocksort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "files/pack_decode_limits.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kPrimaryBytes = 4;

class CBlockSortDecoder {
 public:
  CBlockSortDecoder(CPackByteSource& input, std::uint32_t block_size, CPackOutput& output)
      : input_(input), output_(output), block_limit_(block_size + kPrimaryBytes) {
    StreamCheck(block_size > 0 && block_size <= kMaxBlockSortSize);
  }

  void Run() {
    const std::uint32_t total = input_.U32();
    if (total == 0) return;
    // The stream's count bounds the block buffer as much as the block size.
    block_.resize(std::min(total, block_limit_));
    left_ = total;

    // Pending byte p; each step produces p alone or a run of it.
    std::uint8_t pending = input_.Byte();
    while (left_ > 1) {
      const std::uint8_t next = input_.Byte();
      if (next != pending) {
        Produce(pending, 1);
        pending = next;
        continue;
      }
      const std::uint32_t run = input_.Byte() + 2u;
      Produce(pending, std::min(run, left_));
      if (left_ == 0) break;
      pending = input_.Byte();
    }
    if (left_ == 1) Produce(pending, 1);
    if (fill_ > 0) DecodeBlock();
  }

 private:
  // A full block is decoded when more bytes follow it, the last one at the
  // end of the stream.
  void Produce(std::uint8_t byte, std::uint32_t count) {
    left_ -= count;
    while (count > 0) {
      if (fill_ == block_limit_) DecodeBlock();
      const std::uint32_t piece = std::min(count, block_limit_ - fill_);
      std::memset(block_.data() + fill_, byte, piece);
      fill_ += piece;
      count -= piece;
    }
  }

  void DecodeBlock() {
    StreamCheck(fill_ > kPrimaryBytes);
    std::uint32_t primary = 0;
    for (int i = 3; i >= 0; --i) primary = primary << 8 | block_[i];
    std::uint8_t* data = block_.data() + kPrimaryBytes;
    const std::uint32_t length = fill_ - kPrimaryBytes;
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

  // Each link word holds the next position above its byte; block lengths
  // stay below 2^24, so the position fits.
  void InverseTransform(const std::uint8_t* data, std::uint32_t length, std::uint32_t primary) {
    std::array<std::uint32_t, 256> start{};
    for (std::uint32_t i = 0; i < length; ++i) ++start[data[i]];
    std::uint32_t sum = 0;
    for (auto& entry : start) {
      const std::uint32_t count = entry;
      entry = sum;
      sum += count;
    }
    links_.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) {
      links_[start[data[i]]++] = i << 8 | data[i];
    }
    std::uint32_t position = primary;
    std::uint32_t left = length;
    while (left > 0) {
      std::uint32_t room = 0;
      std::uint8_t* out = output_.Space(&room);
      const std::uint32_t count = std::min(left, room);
      for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t link = links_[position];
        out[i] = static_cast<std::uint8_t>(link);
        position = link >> 8;
      }
      output_.Commit(count);
      left -= count;
    }
  }

  CPackByteSource& input_;
  CPackOutput& output_;
  const std::uint32_t block_limit_;  // primary index and data
  std::uint32_t left_ = 0;           // bytes the run-length stream still produces
  std::vector<std::uint8_t> block_;
  std::uint32_t fill_ = 0;
  std::vector<std::uint32_t> links_;
};

}  // namespace

void DecodeBlockSort(CPackByteSource& input, std::uint32_t block_size, CPackOutput& output) {
  CBlockSortDecoder(input, block_size, output).Run();
}

}  // namespace tarrowin
