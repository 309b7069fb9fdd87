// UTF-8 and UTF-16 conversions.
#include "settings/utf8.h"

namespace tarrowin {
namespace {

unsigned Byte(const char* p, int i) { return static_cast<unsigned char>(p[i]); }

// A sequence whose continuation bytes reach the terminator is cut short;
// checking them in order means the byte after a terminator is never read.
bool HasContinuation(const char* bytes, int count) {
  for (int i = 1; i < count; ++i) {
    if (Byte(bytes, i) == 0) return false;
  }
  return true;
}

}  // namespace

int Utf8DecodeChar(char16_t* out, const char* bytes) {
  const unsigned b0 = Byte(bytes, 0);
  out[0] = 0;
  if (b0 < 0x80) {
    out[0] = static_cast<char16_t>(b0);
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (!HasContinuation(bytes, 2)) return 0;
    out[0] = static_cast<char16_t>(((b0 & 0x1F) << 6) | (Byte(bytes, 1) & 0x3F));
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (!HasContinuation(bytes, 3)) return 0;
    const unsigned c =
        ((b0 & 0x0F) << 12) | ((Byte(bytes, 1) & 0x3F) << 6) | (Byte(bytes, 2) & 0x3F);
    out[0] = static_cast<char16_t>(c >= 0x800 ? c : 0);  // over-long: 0
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF7) {
    if (!HasContinuation(bytes, 4)) return 0;
    const unsigned c = ((b0 & 0x07) << 18) | ((Byte(bytes, 1) & 0x3F) << 12) |
                       ((Byte(bytes, 2) & 0x3F) << 6) | (Byte(bytes, 3) & 0x3F);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    return 4;
  }
  return 0;
}

int Utf8EncodeChar(char* out, const char16_t* units) {
  const unsigned u = units[0];
  if (u < 0x80) {
    out[0] = static_cast<char>(u);
    return 1;
  }
  if (u < 0x800) {
    out[0] = static_cast<char>(0xC0 | (u >> 6));
    out[1] = static_cast<char>(0x80 | (u & 0x3F));
    return 2;
  }
  if (u >= 0xD800 && u <= 0xDFFF) {
    // units[1] is read only after a high surrogate, which is not a
    // terminator, so the read stays inside the text.
    const unsigned next = u <= 0xDBFF ? units[1] : 0;
    if (next < 0xDC00 || next > 0xDFFF) return 0;
    const unsigned c = 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00);
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
  }
  out[0] = static_cast<char>(0xE0 | (u >> 12));
  out[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (u & 0x3F));
  return 3;
}

// Output stops once capacity - 1 units are produced. A surrogate pair that
// would end beyond that is dropped whole (never half a pair) and the result
// is -1.
int Utf8ToWide(char16_t* out, const char* in, int capacity) {
  if (capacity <= 0) return -1;
  const int limit = capacity - 1;
  int produced = 0;
  bool overflow = false;
  while (*in != 0 && produced < limit) {
    char16_t units[2] = {0, 0};
    const int consumed = Utf8DecodeChar(units, in);
    if (consumed == 0) break;
    const int count = consumed == 4 && units[0] != 0 ? 2 : 1;
    if (produced + count > limit) {
      overflow = true;
      break;
    }
    for (int i = 0; i < count; ++i) out[produced++] = units[i];
    in += consumed;
  }
  out[produced] = 0;
  return overflow ? -1 : produced;
}

// The loop starts a character while fewer than capacity - 2 bytes are
// produced; a character is written only when it fits whole before the
// terminator, which always lands inside the capacity. A result of more than
// capacity - 2 bytes, or a character that did not fit, gives -1.
int WideToUtf8(char* out, const char16_t* in, int capacity) {
  if (capacity <= 1) return -1;
  int produced = 0;
  bool overflow = false;
  while (*in != 0 && produced < capacity - 2) {
    char bytes[4];
    const int count = Utf8EncodeChar(bytes, in);
    if (count == 0) break;
    if (produced + count > capacity - 1) {
      overflow = true;
      break;
    }
    for (int i = 0; i < count; ++i) out[produced++] = bytes[i];
    in += count == 4 ? 2 : 1;
  }
  out[produced] = 0;
  return overflow || produced > capacity - 2 ? -1 : produced;
}

}  // namespace tarrowin
