// The program's own exception classes: a fixed 128-unit message, a code and
// a detail value. Thrown by the guarded pointer holder and, inside the pack
// decoders, by their buffer callbacks.
#pragma once

#include <cstdint>

namespace tarrowin {

class IException {
 public:
  static constexpr int kMessageCapacity = 128;

  IException(std::int32_t code, std::int32_t detail);
  // Keeps the first 127 units of `text` (all of it when shorter).
  IException(const char16_t* text, std::int32_t code, std::int32_t detail);
  IException(const IException&) = default;
  IException& operator=(const IException&) = default;
  virtual ~IException() = default;

  const char16_t* Message() const { return message_; }
  std::int32_t Code() const { return code_; }
  std::int32_t Detail() const { return detail_; }

 private:
  char16_t message_[kMessageCapacity] = {};
  std::int32_t code_;
  std::int32_t detail_;
};

// Raised by smart_ptr: code 1 = empty holder, 2 = index out of range.
class smart_ptr_exception : public IException {
 public:
  explicit smart_ptr_exception(std::int32_t code);
};

// A decoder's buffer callback failed; caught inside the decoder that threw.
class CMemoryBufferException : public IException {
 public:
  CMemoryBufferException() : IException(-1, 0) {}
};

}  // namespace tarrowin
