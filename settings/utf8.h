// UTF-8 <-> UTF-16 conversion of null-terminated text, one character at a
// time and for whole strings into caller buffers. Pack archives store entry
// names in UTF-8. No allocation; output never passes its capacity and is
// always terminated; input is never read past its terminator.
#pragma once

namespace tarrowin {

// Decodes the sequence at `bytes` into `out` (room for two units). Returns
// the bytes consumed (1 to 4), or 0 for an invalid lead byte or a sequence
// cut short by the terminator; `out[0]` is then 0. Continuation bytes are
// not checked beyond that: only their low six bits are used.
int Utf8DecodeChar(char16_t* out, const char* bytes);

// Encodes the character at `units` (one unit, or a surrogate pair) into `out`
// (room for four bytes). Returns the bytes written, or 0 for a lone
// surrogate.
int Utf8EncodeChar(char* out, const char16_t* units);

// Whole-string conversions. The result is the number of units (bytes)
// produced, or -1 when the capacity is too small to hold a terminator or the
// last character did not fit. Conversion stops quietly at the first
// character that cannot be converted; the result then counts what came
// before it.
int Utf8ToWide(char16_t* out, const char* in, int capacity);
int WideToUtf8(char* out, const char16_t* in, int capacity);

}  // namespace tarrowin
