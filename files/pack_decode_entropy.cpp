// Drivers of the entropy stages: alone into the sink, or block by block
// into the intermediate buffer of a first stage.
#include "files/pack_decode_entropy.h"

#include <algorithm>

#include "files/pack_stream_format.h"

namespace tarrowin {

void DecodeEntropyStage(CEntropyDecoder& decoder, CPackOutput& output) {
  while (decoder.HasBlock()) {
    std::uint32_t left = decoder.BeginBlock();
    while (left > 0) {
      std::uint32_t room = 0;
      std::uint8_t* space = output.Space(&room);
      const std::uint32_t count = std::min(left, room);
      decoder.Decode(space, count);
      output.Commit(count);
      left -= count;
    }
  }
}

CEntropyBlockSource::CEntropyBlockSource(CEntropyDecoder& decoder, std::uint32_t capacity)
    : decoder_(decoder), capacity_(capacity) {
  StreamCheck(capacity > 0 && capacity <= kMaxEntropyCapacity);
}

bool CEntropyBlockSource::Refill() {
  while (decoder_.HasBlock()) {
    const std::uint32_t count = decoder_.BeginBlock();
    StreamCheck(count <= capacity_);
    if (count == 0) continue;
    // Grows with the blocks actually met, up to the capacity.
    if (buffer_.size() < count) {
      buffer_.resize(
          std::min<std::size_t>(capacity_, std::max<std::size_t>(count, buffer_.size() * 2)));
    }
    decoder_.Decode(buffer_.data(), count);
    SetWindow(buffer_.data(), buffer_.data() + count);
    return true;
  }
  return false;
}

}  // namespace tarrowin
