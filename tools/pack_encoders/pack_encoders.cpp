// The encoder entry point: the first stage, then the entropy stage over its
// output in blocks that fit the decoder's intermediate buffer.
#include "tools/pack_encoders/pack_encoders.h"

#include <stdexcept>

#include "files/pack_stream_format.h"
#include "tools/pack_encoders/block_sort_encoder.h"
#include "tools/pack_encoders/huffman_encoder.h"
#include "tools/pack_encoders/lzss_encoder.h"
#include "tools/pack_encoders/range_encoder.h"

namespace tarrowin {
namespace {

// Without a first stage the decoder writes entropy blocks straight to the
// sink, so their size is free; this one keeps the block search cheap.
constexpr std::size_t kLoneEntropyBlock = 1u << 20;

}  // namespace

std::vector<std::uint8_t> EncodePackStages(const PackStages& stages,
                                           std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> first;
  switch (stages.first) {
    case PackFirstStage::kSlidingWindow:
      first = pack_encoding::EncodeSlidingWindow(data, stages.window_exponent);
      break;
    case PackFirstStage::kBlockSort:
      if (stages.entropy == PackEntropyStage::kNone) {
        throw std::invalid_argument("block sorting needs an entropy stage");
      }
      first = pack_encoding::EncodeBlockSort(data, stages.block_sort_size);
      break;
    case PackFirstStage::kNone:
      if (stages.entropy == PackEntropyStage::kNone) {
        throw std::invalid_argument("no compression stage");
      }
      break;
  }
  if (stages.entropy == PackEntropyStage::kNone) return first;

  std::size_t max_block = kLoneEntropyBlock;
  std::span<const std::uint8_t> input = data;
  if (stages.first != PackFirstStage::kNone) {
    if (stages.entropy_capacity == 0 || stages.entropy_capacity > kMaxEntropyCapacity) {
      throw std::invalid_argument("entropy capacity outside 1 byte to 1 MiB");
    }
    max_block = stages.entropy_capacity;
    input = first;
  }
  return stages.entropy == PackEntropyStage::kHuffman
             ? pack_encoding::EncodeHuffman(input, max_block)
             : pack_encoding::EncodeRange(input, max_block);
}

}  // namespace tarrowin
