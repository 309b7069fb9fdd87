// The stage parameters a fuzz input's first byte stands for, shared by the
// fuzz targets and the program that writes their seed corpus.
#pragma once

#include <cstdint>

#include "files/pack_stages.h"

namespace tarrowin::fuzzing {

// Stage 1: sliding window alone; 2: Huffman alone; 3: range coder alone;
// 4: block sorting over Huffman (bit 0 clear) or the range coder, with
// blocks of 256 << (bits 1-3) bytes and a 32 KiB entropy capacity.
inline PackStages FuzzStages(int stage, std::uint8_t parameters) {
  PackStages stages;
  stages.window_exponent = 15;
  stages.entropy_capacity = 32768;
  switch (stage) {
    case 1:
      stages.first = PackFirstStage::kSlidingWindow;
      break;
    case 2:
      stages.entropy = PackEntropyStage::kHuffman;
      break;
    case 3:
      stages.entropy = PackEntropyStage::kRange;
      break;
    default:
      stages.first = PackFirstStage::kBlockSort;
      stages.entropy =
          (parameters & 1) != 0 ? PackEntropyStage::kRange : PackEntropyStage::kHuffman;
      stages.block_sort_size = 256u << ((parameters >> 1) & 7);
      break;
  }
  return stages;
}

}  // namespace tarrowin::fuzzing
