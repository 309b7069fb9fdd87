// The decoder entry point: builds the streams and the stages that the flags
// ask for and turns every failure inside them into a false result.
#include "files/pack_stages.h"

#include <memory>
#include <new>

#include "files/pack_decode_blocksort.h"
#include "files/pack_decode_entropy.h"
#include "files/pack_decode_huffman.h"
#include "files/pack_decode_lzss.h"
#include "files/pack_decode_range.h"
#include "files/pack_decode_stream.h"

namespace tarrowin {
namespace {

void DecodeFirstStage(const PackStages& stages, CPackByteSource& input, CPackOutput& output) {
  switch (stages.first) {
    case PackFirstStage::kSlidingWindow:
      DecodeSlidingWindow(input, output);
      return;
    case PackFirstStage::kBlockSort:
      DecodeBlockSort(input, stages.block_sort_size, output);
      return;
    case PackFirstStage::kNone:
      break;
  }
  StreamCheck(false);
}

void Decode(const PackStages& stages, std::uint32_t stored_limit, IPackReader& reader,
            IPackSink& sink) {
  CPackInput input(reader, stored_limit);
  CPackOutput output(sink);
  if (stages.entropy == PackEntropyStage::kNone) {
    // Block sorting only ever runs under an entropy stage.
    StreamCheck(stages.first == PackFirstStage::kSlidingWindow);
    DecodeSlidingWindow(input, output);
  } else {
    std::unique_ptr<CEntropyDecoder> entropy;
    if (stages.entropy == PackEntropyStage::kHuffman) {
      entropy = std::make_unique<CHuffmanDecoder>(input);
    } else {
      entropy = std::make_unique<CRangeDecoder>(input);
    }
    if (stages.first == PackFirstStage::kNone) {
      DecodeEntropyStage(*entropy, output);
    } else {
      CEntropyBlockSource blocks(*entropy, stages.entropy_capacity);
      DecodeFirstStage(stages, blocks, output);
    }
  }
  output.Finish();
}

}  // namespace

bool DecodePackStages(const PackStages& stages, std::uint32_t stored_limit, IPackReader& reader,
                      IPackSink& sink) {
  // The stages signal a malformed stream or a failed callback by throwing;
  // everything they allocated is owned by objects that unwinding frees.
  try {
    Decode(stages, stored_limit, reader, sink);
    return true;
  } catch (const CMemoryBufferException&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace tarrowin
