// Number parsing and formatting on UTF-16 text.
#include "settings/number_text.h"

namespace tarrowin {
namespace {

const char16_t* SkipSpacesAndTabs(const char16_t* p) {
  while (*p == u' ' || *p == u'\t') ++p;
  return p;
}

// Skips one "-" or "+"; tells whether it was a minus.
bool TakeSign(const char16_t*& p) {
  if (*p == u'-') {
    ++p;
    return true;
  }
  if (*p == u'+') ++p;
  return false;
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Unsigned arithmetic: the value wraps modulo 2^32 without undefined
// behaviour, then is read back as two's complement.
std::int32_t Signed(std::uint32_t value, bool negative) {
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

}  // namespace

std::int32_t ParseInt(const char16_t* text) {
  const char16_t* p = SkipSpacesAndTabs(text);
  const bool negative = TakeSign(p);
  std::uint32_t value = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) value = value * 10u + (*p - u'0');
  return Signed(value, negative);
}

std::int32_t ParseHex(const char16_t* text) {
  const char16_t* p = SkipSpacesAndTabs(text);
  const bool negative = TakeSign(p);
  std::uint32_t value = 0;
  for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p) {
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return Signed(value, negative);
}

std::int32_t ParseNumber(const char16_t* text) {
  const char16_t* p = SkipSpacesAndTabs(text);
  const bool negative = TakeSign(p);
  // p[1] is read only when p[0] is '0', so never past the terminator.
  const bool hex = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X');
  const std::int32_t value = hex ? ParseHex(p + 2) : ParseInt(p);
  return Signed(static_cast<std::uint32_t>(value), negative);
}

int FormatInt(std::int32_t value, char16_t* buffer, int capacity) {
  if (capacity <= 0) return 1;
  char16_t digits[32];
  int start = 32;
  digits[--start] = 0;
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) magnitude = 0u - magnitude;  // also right for INT32_MIN
  do {
    digits[--start] = static_cast<char16_t>(u'0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0);
  if (value < 0) digits[--start] = u'-';
  // The sign counts against the capacity like any digit: nothing is ever
  // written at or beyond buffer[capacity].
  int length = 0;
  for (; length < capacity - 1 && digits[start + length] != 0; ++length) {
    buffer[length] = digits[start + length];
  }
  buffer[length] = 0;
  return 1;
}

}  // namespace tarrowin
