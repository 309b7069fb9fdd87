// POSIX side of the code page 932 seam: iconv's CP932, the Windows variant of
// Shift_JIS (NEC and IBM extensions, 0x5C as the backslash).
#include <iconv.h>

#include <mutex>

#include "files/os_text.h"

namespace tarrowin {
namespace {

// One converter for the process, opened once; iconv descriptors are not
// safe to share between threads, hence the lock.
struct Converter {
  iconv_t handle = iconv_open("UTF-16LE", "CP932");
  std::mutex lock;
  ~Converter() {
    if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
  }
};

}  // namespace

bool SystemDecodeCodePage932(const std::uint8_t* bytes, int length, char16_t* out) {
  static Converter converter;
  if (converter.handle == reinterpret_cast<iconv_t>(-1) || length < 1 || length > 2) return false;
  std::lock_guard<std::mutex> hold(converter.lock);
  iconv(converter.handle, nullptr, nullptr, nullptr, nullptr);  // fresh state
  char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
  unsigned char result[8];
  char* in_next = in;
  std::size_t in_left = static_cast<std::size_t>(length);
  char* out_next = reinterpret_cast<char*>(result);
  std::size_t out_left = sizeof(result);
  if (iconv(converter.handle, &in_next, &in_left, &out_next, &out_left) ==
          static_cast<std::size_t>(-1) ||
      in_left != 0 || sizeof(result) - out_left != 2) {
    return false;
  }
  *out = static_cast<char16_t>(result[0] | (result[1] << 8));
  return true;
}

}  // namespace tarrowin
