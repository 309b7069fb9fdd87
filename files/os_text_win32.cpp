// Win32 side of the code page 932 seam: MultiByteToWideChar with code page
// 932, rejecting invalid sequences instead of substituting a default char.
#include <windows.h>

#include "files/os_text.h"

namespace tarrowin {

bool SystemDecodeCodePage932(const std::uint8_t* bytes, int length, char16_t* out) {
  if (length < 1 || length > 2) return false;
  wchar_t result[4];
  const int units = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS,
                                          reinterpret_cast<const char*>(bytes), length, result, 4);
  if (units != 1) return false;
  *out = static_cast<char16_t>(result[0]);
  return true;
}

}  // namespace tarrowin
