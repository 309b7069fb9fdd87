// Buffered byte streams of the pack decoders.
#include "files/pack_decode_stream.h"

#include <algorithm>

namespace tarrowin {

std::uint32_t CPackByteSource::U16() {
  const std::uint32_t low = Byte();
  return low | static_cast<std::uint32_t>(Byte()) << 8;
}

std::uint32_t CPackByteSource::U32() {
  const std::uint32_t low = U16();
  return low | U16() << 16;
}

CPackInput::CPackInput(IPackReader& reader, std::uint32_t stored_limit)
    : reader_(reader), left_(stored_limit), buffer_(kPackStreamPiece) {}

bool CPackInput::Refill() {
  if (ended_ || left_ == 0) return false;
  const std::uint32_t want = std::min(left_, kPackStreamPiece);
  std::uint32_t delivered = 0;
  StreamCheck(reader_.Read(buffer_.data(), want, &delivered));
  StreamCheck(delivered <= want);
  // A reader that runs dry before the limit ends the input for good, so a
  // decoder that still wants bytes fails instead of asking again forever.
  if (delivered == 0) {
    ended_ = true;
    return false;
  }
  left_ -= delivered;
  SetWindow(buffer_.data(), buffer_.data() + delivered);
  return true;
}

CPackOutput::CPackOutput(IPackSink& sink) : sink_(sink), buffer_(kPackStreamPiece) {}

std::uint8_t* CPackOutput::Space(std::uint32_t* room) {
  if (fill_ == kPackStreamPiece) Flush();
  *room = kPackStreamPiece - fill_;
  return buffer_.data() + fill_;
}

void CPackOutput::Deliver(const std::uint8_t* data, std::size_t count) {
  Flush();
  while (count > 0) {
    const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(count, kPackStreamPiece));
    Send(data, piece);
    data += piece;
    count -= piece;
  }
}

void CPackOutput::Finish() {
  Flush();
  std::uint32_t taken = 0;
  StreamCheck(sink_.Write(nullptr, 0, &taken));
}

void CPackOutput::Flush() {
  Send(buffer_.data(), fill_);
  fill_ = 0;
}

// A sink may take a piece in parts; one that takes nothing would make the
// stream spin, so it counts as refusing.
void CPackOutput::Send(const std::uint8_t* data, std::uint32_t count) {
  while (count > 0) {
    std::uint32_t taken = 0;
    StreamCheck(sink_.Write(data, count, &taken));
    StreamCheck(taken > 0 && taken <= count);
    data += taken;
    count -= taken;
  }
}

}  // namespace tarrowin
