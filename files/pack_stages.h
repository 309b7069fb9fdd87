// The compression stages of packed contents and the decoder entry point that
// the extraction engine calls: which stages apply, their parameters, and the
// reader and sink the decoders work through.
#pragma once

#include <cstdint>

namespace tarrowin {

// Source of stored (already decrypted) bytes. Delivers at most `count`
// bytes into `buffer` and sets `*delivered`; false is a failure. A true
// result with nothing delivered means the stored bytes are exhausted.
class IPackReader {
 public:
  virtual ~IPackReader() = default;
  virtual bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) = 0;
};

// Destination of decoded bytes; sets `*taken`. Write(nullptr, 0, ...) marks
// the end of the data. False refuses the data and ends the decoding.
class IPackSink {
 public:
  virtual ~IPackSink() = default;
  virtual bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) = 0;
};

enum class PackFirstStage { kNone, kBlockSort, kSlidingWindow };
enum class PackEntropyStage { kNone, kHuffman, kRange };

// The stages of one packed value, as its flags give them. The entropy stage
// is the outer one: its output feeds the first stage.
struct PackStages {
  PackFirstStage first = PackFirstStage::kNone;
  PackEntropyStage entropy = PackEntropyStage::kNone;
  std::uint32_t block_sort_size = 0;   // block-sorting block size in bytes; 0 fails
  std::uint32_t window_exponent = 0;   // sliding-window exponent from the flags
  std::uint32_t entropy_capacity = 0;  // bytes of one entropy block under a first stage
};

// Decodes the stored bytes through the stages (at least one stage is set),
// reading at most `stored_limit` bytes from `reader` and delivering the
// decoded bytes, then the end call, to `sink`. False for a malformed stream,
// a failing reader, a reader that runs dry early or a refusing sink; never
// throws.
bool DecodePackStages(const PackStages& stages, std::uint32_t stored_limit, IPackReader& reader,
                      IPackSink& sink);

}  // namespace tarrowin
