// UTF-16 text crosses between the portable code (char16_t) and Win32
// (wchar_t, also 16 bits on Windows) without copying.
#pragma once

#include <string>

namespace tarrowin {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline const wchar_t* AsWide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline const char16_t* AsUtf16(const wchar_t* text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline std::u16string ToUtf16(const std::wstring& text) {
  return std::u16string(AsUtf16(text.c_str()), text.size());
}

}  // namespace tarrowin
