// Scanners for the settings reader.
#include "settings/settings_text.h"

namespace tarrowin {
namespace {

bool IsOneOf(char16_t c, const char16_t* set) {
  for (; *set != 0; ++set) {
    if (*set == c) return true;
  }
  return false;
}

}  // namespace

const char16_t* SkipBlanks(const char16_t* text) {
  while (*text == u' ' || *text == u'\t' || *text == u'\r' || *text == u'\n') ++text;
  return *text == 0 ? nullptr : text;
}

const char16_t* CopyUntil(const char16_t* text, const char16_t* delimiters, char16_t* out,
                          std::size_t capacity) {
  std::size_t stored = 0;
  bool cut = false;
  const char16_t* p = text;
  for (; *p != 0 && !IsOneOf(*p, delimiters); ++p) {
    if (stored + 1 < capacity) {
      out[stored++] = *p;
    } else {
      cut = true;
    }
  }
  // A cut right after a high surrogate would leave half a character.
  if (cut && stored > 0 && out[stored - 1] >= 0xD800 && out[stored - 1] <= 0xDBFF) --stored;
  if (capacity > 0) out[stored] = 0;
  return *p == 0 ? nullptr : p + 1;
}

const char16_t* NextToken(const char16_t* text, const char16_t* delimiters, char16_t* out,
                          std::size_t capacity) {
  while (*text != 0 && IsOneOf(*text, delimiters)) ++text;
  return CopyUntil(text, delimiters, out, capacity);
}

const char16_t* NextWord(const char16_t* text, char16_t* out, std::size_t capacity) {
  return NextToken(text, u" \t\n", out, capacity);
}

std::size_t WideLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

std::size_t WideByteLength(const char16_t* text) { return WideLength(text) * 2; }

}  // namespace tarrowin
