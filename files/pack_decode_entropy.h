// Entropy stages of the pack decoders (Huffman and range coder): the block
// interface they share, the driver that writes their blocks straight to the
// sink, and the intermediate buffer through which they feed a first stage.
#pragma once

#include <cstdint>
#include <vector>

#include "files/pack_decode_stream.h"

namespace tarrowin {

// An entropy stage: a sequence of blocks, each a symbol count and the
// symbols; the last block clears the "another block follows" bit.
class CEntropyDecoder {
 public:
  virtual ~CEntropyDecoder() = default;
  bool HasBlock() const { return more_blocks_; }
  // Reads the header of the next block (only while HasBlock()) and returns
  // its number of symbols.
  virtual std::uint32_t BeginBlock() = 0;
  // Decodes the next `count` symbols of the current block into `out`.
  virtual void Decode(std::uint8_t* out, std::uint32_t count) = 0;

 protected:
  bool more_blocks_ = true;
};

// Entropy stage alone: every block straight to the output.
void DecodeEntropyStage(CEntropyDecoder& decoder, CPackOutput& output);

// Input of a first stage under an entropy stage: one decoded block of at
// most `capacity` bytes at a time; a longer block is malformed.
class CEntropyBlockSource final : public CPackByteSource {
 public:
  CEntropyBlockSource(CEntropyDecoder& decoder, std::uint32_t capacity);
  bool Refill() override;

 private:
  CEntropyDecoder& decoder_;
  std::uint32_t capacity_;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace tarrowin
