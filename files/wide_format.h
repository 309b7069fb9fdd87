// A small printf for UTF-16 text, the same on every platform (the C
// library's wide printf disagrees between Windows and POSIX on %s and on the
// width of wchar_t). Used by CFileStream::WriteText.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace tarrowin {

// Formats into `out` (capacity in units, at least 1): %% %c %s %d %i %u %x
// %X with the flags - 0 + space, a width and a precision (either may be *),
// and the sizes h, hh, l, ll, z, j, t, I64. %s takes a const char16_t*.
// Output that does not fit is cut; the text is always terminated. Returns
// the units stored, terminator excluded.
std::size_t FormatWide(char16_t* out, std::size_t capacity, const char16_t* format,
                       std::va_list args);

}  // namespace tarrowin
