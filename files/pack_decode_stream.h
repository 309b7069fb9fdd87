// Buffered byte streams of the pack decoders. Stored bytes come in through
// the reader in pieces of at most 64 KiB and never beyond the stored limit;
// decoded bytes leave through the sink in pieces of at most 64 KiB. Every
// failure throws CMemoryBufferException, which DecodePackStages catches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/exception.h"
#include "files/pack_stages.h"

namespace tarrowin {

inline constexpr std::uint32_t kPackStreamPiece = 65536;

// The one check of the decoders: a malformed stream or a failed callback
// ends the decoding through the decoders' exception.
inline void StreamCheck(bool ok) {
  if (!ok) [[unlikely]]
    throw CMemoryBufferException();
}

// Bytes for a decoding stage: a window of available bytes, refilled on
// demand. Hot loops take the window, work on it and hand back the rest.
class CPackByteSource {
 public:
  virtual ~CPackByteSource() = default;

  std::uint8_t Byte() {
    if (next_ == end_) [[unlikely]]
      StreamCheck(Refill());
    return *next_++;
  }
  std::uint32_t U16();
  std::uint32_t U32();

  const std::uint8_t* Next() const { return next_; }
  std::size_t Available() const { return static_cast<std::size_t>(end_ - next_); }
  // Marks the bytes before `next` (inside the current window) as used.
  void SetNext(const std::uint8_t* next) { next_ = next; }

  // Makes at least one more byte available; false when the source has
  // ended. Called only when the window is used up.
  virtual bool Refill() = 0;

 protected:
  void SetWindow(const std::uint8_t* begin, const std::uint8_t* end) {
    next_ = begin;
    end_ = end;
  }

 private:
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
};

// Stored bytes from the reader. Ends at the stored limit or when the
// reader delivers nothing; a failing reader throws.
class CPackInput final : public CPackByteSource {
 public:
  CPackInput(IPackReader& reader, std::uint32_t stored_limit);
  bool Refill() override;

 private:
  IPackReader& reader_;
  std::uint32_t left_;  // stored bytes not yet asked for
  bool ended_ = false;
  std::vector<std::uint8_t> buffer_;
};

// Decoded bytes to the sink.
class CPackOutput {
 public:
  explicit CPackOutput(IPackSink& sink);

  void Put(std::uint8_t byte) {
    if (fill_ == kPackStreamPiece) [[unlikely]]
      Flush();
    buffer_[fill_++] = byte;
  }
  // Free space of the buffer (never empty: a full buffer is flushed first)
  // and its size; Commit(n) appends the first n bytes written there.
  std::uint8_t* Space(std::uint32_t* room);
  void Commit(std::uint32_t count) { fill_ += count; }
  // Hands buffered bytes and then `data` to the sink.
  void Deliver(const std::uint8_t* data, std::size_t count);
  // Hands over what is buffered, then makes the end call.
  void Finish();

 private:
  void Flush();
  void Send(const std::uint8_t* data, std::uint32_t count);

  IPackSink& sink_;
  std::uint32_t fill_ = 0;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace tarrowin
