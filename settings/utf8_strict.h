// Whole-text UTF-8 decoding that refuses anything but well-formed text, for
// names that must be taken exactly or not at all (a cut or patched path can
// name a different program). The lenient conversions of utf8.h stay for the
// settings reader and pack entry names.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarrowin {

// Decodes `bytes` into `out`, terminated, and returns the number of UTF-16
// units before the terminator; nothing when the bytes are not well-formed
// UTF-8 (a stray or missing continuation byte, an over-long form, a
// surrogate, a value above U+10FFFF, a NUL byte) or when the text and its
// terminator do not fit in `capacity` units. `out` then holds an empty text
// (when capacity > 0).
std::optional<std::size_t> DecodeUtf8Exactly(std::string_view bytes, char16_t* out,
                                             std::size_t capacity);

}  // namespace tarrowin
