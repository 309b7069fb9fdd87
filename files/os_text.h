// The operating system's code page 932 (Japanese) conversion, one character
// at a time. Only the table builder of code_page_932.cpp calls it.
#pragma once

#include <cstdint>

namespace tarrowin {

// Converts exactly `length` bytes (1 or 2) as code page 932. True when they
// form one whole character, stored in `*out`; false for an invalid or
// incomplete sequence, or one that gives anything but one UTF-16 unit.
bool SystemDecodeCodePage932(const std::uint8_t* bytes, int length, char16_t* out);

}  // namespace tarrowin
