// Small scanners over null-terminated UTF-16 text, used by the settings
// reader to cut a line into a section name, a key and a value. Every output
// buffer comes with its capacity in units and is never written past it.
#pragma once

#include <cstddef>

namespace tarrowin {

// Position of the first character that is not a space, tab, CR or LF; null
// when the text ends first.
const char16_t* SkipBlanks(const char16_t* text);

// Copies `text` into `out` up to the first of the `delimiters`, and returns
// the position just after that delimiter; null when the text ends first
// (what was copied stays in `out`). At most capacity - 1 units are stored,
// never half a surrogate pair; the rest up to the delimiter is skipped.
// `out` is always terminated.
const char16_t* CopyUntil(const char16_t* text, const char16_t* delimiters, char16_t* out,
                          std::size_t capacity);

// CopyUntil after skipping every leading delimiter.
const char16_t* NextToken(const char16_t* text, const char16_t* delimiters, char16_t* out,
                          std::size_t capacity);

// NextToken with space, tab and LF as the delimiters.
const char16_t* NextWord(const char16_t* text, char16_t* out, std::size_t capacity);

// Units before the terminator, and the same in bytes.
std::size_t WideLength(const char16_t* text);
std::size_t WideByteLength(const char16_t* text);

}  // namespace tarrowin
