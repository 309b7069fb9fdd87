// Decimal and hexadecimal integers in UTF-16 text: core counts, processor
// masks and the numbers of settings documents. 32-bit arithmetic wraps
// silently; nothing here allocates or reports errors beyond the result.
#pragma once

#include <cstdint>

namespace tarrowin {

// Decimal value at the start of `text` after blanks (space, tab) and a sign.
std::int32_t ParseInt(const char16_t* text);

// Hexadecimal value at the start of `text`; only the last eight digits count
// and a "0x" prefix is not recognised.
std::int32_t ParseHex(const char16_t* text);

// Decimal, or hexadecimal after a "0x" / "0X" prefix.
std::int32_t ParseNumber(const char16_t* text);

// Writes `value` in decimal into `buffer` (at most capacity - 1 characters,
// sign included, always terminated when capacity > 0). Always returns 1.
int FormatInt(std::int32_t value, char16_t* buffer, int capacity);

}  // namespace tarrowin
