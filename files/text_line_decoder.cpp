// Encoding detection and the four line decoders.
#include "files/text_line_decoder.h"

#include "files/code_page_932.h"

namespace tarrowin {
namespace {

// One decoded character: one unit, or a surrogate pair.
struct Char {
  char16_t units[2];
  int unit_count;
  std::size_t bytes;
};

bool NextAnsi(const CodePage932& code_page, const std::uint8_t* p, std::size_t left, Char* c) {
  c->unit_count = 1;
  c->bytes = static_cast<std::size_t>(code_page.Decode(p, left, &c->units[0]));
  return c->bytes != 0;
}

// Continuation bytes give their low six bits and are not otherwise checked.
bool NextUtf8(const std::uint8_t* p, std::size_t left, Char* c) {
  const std::uint32_t b0 = p[0];
  c->unit_count = 1;
  if (b0 < 0x80) {
    c->units[0] = static_cast<char16_t>(b0);
    c->bytes = 1;
    return true;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (left < 2) return false;
    const std::uint32_t v = (b0 & 0x1F) << 6 | (p[1] & 0x3Fu);
    if (v < 0x80) return false;
    c->units[0] = static_cast<char16_t>(v);
    c->bytes = 2;
    return true;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (left < 3) return false;
    const std::uint32_t v = (b0 & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    if (v < 0x800) return false;
    c->units[0] = static_cast<char16_t>(v);
    c->bytes = 3;
    return true;
  }
  if (b0 >= 0xF0 && b0 <= 0xF7) {
    if (left < 4) return false;
    const std::uint32_t v =
        (b0 & 0x07) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
    const std::uint32_t offset = v - 0x10000;  // wraps for an over-long form
    if (offset > 0xFFFFF) return false;
    c->units[0] = static_cast<char16_t>(0xD800 + (offset >> 10));
    c->units[1] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    c->unit_count = 2;
    c->bytes = 4;
    return true;
  }
  return false;
}

char16_t Unit16(const std::uint8_t* p, bool big_endian) {
  return static_cast<char16_t>(big_endian ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
}

// A well-formed surrogate pair is one character, so a line piece never ends
// between its halves; a lone surrogate is passed on as it is.
bool NextUtf16(const std::uint8_t* p, std::size_t left, bool big_endian, Char* c) {
  if (left < 2) return false;  // a trailing odd byte is ignored
  c->units[0] = Unit16(p, big_endian);
  c->unit_count = 1;
  c->bytes = 2;
  if (c->units[0] >= 0xD800 && c->units[0] <= 0xDBFF && left >= 4) {
    const char16_t low = Unit16(p + 2, big_endian);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      c->units[1] = low;
      c->unit_count = 2;
      c->bytes = 4;
    }
  }
  return true;
}

// The code page tables are looked up once per line, not per character.
struct Decoder {
  TextEncoding encoding;
  const CodePage932* code_page;
};

bool Next(const Decoder& decoder, const std::uint8_t* p, std::size_t left, Char* c) {
  switch (decoder.encoding) {
    case TextEncoding::kAnsi:
      return NextAnsi(*decoder.code_page, p, left, c);
    case TextEncoding::kUtf8:
      return NextUtf8(p, left, c);
    case TextEncoding::kUtf16LE:
      return NextUtf16(p, left, false, c);
    case TextEncoding::kUtf16BE:
      return NextUtf16(p, left, true, c);
  }
  return false;
}

bool IsUnit(const Char& c, char16_t unit) { return c.unit_count == 1 && c.units[0] == unit; }

}  // namespace

DetectedEncoding DetectTextEncoding(const std::uint8_t* content, std::size_t size) {
  if (size > 2 && content[0] == 0xEF && content[1] == 0xBB && content[2] == 0xBF) {
    return {TextEncoding::kUtf8, 3};
  }
  if (size >= 2 && content[0] == 0xFF && content[1] == 0xFE) return {TextEncoding::kUtf16LE, 2};
  if (size >= 2 && content[0] == 0xFE && content[1] == 0xFF) return {TextEncoding::kUtf16BE, 2};
  return {TextEncoding::kAnsi, 0};
}

std::size_t DecodeLine(TextEncoding encoding, const std::uint8_t* content, std::size_t size,
                       std::size_t position, char16_t* buffer, std::uint32_t count) {
  const Decoder decoder{encoding,
                        encoding == TextEncoding::kAnsi ? &CodePage932::Instance() : nullptr};
  std::size_t stored = 0;
  for (std::uint32_t chars = 0; chars < count && position < size; ++chars) {
    Char c;
    if (!Next(decoder, content + position, size - position, &c) || IsUnit(c, 0)) break;
    if (IsUnit(c, u'\r') || IsUnit(c, u'\n')) {
      position += c.bytes;
      Char lf;
      if (IsUnit(c, u'\r') && position < size &&
          Next(decoder, content + position, size - position, &lf) && IsUnit(lf, u'\n')) {
        position += lf.bytes;
      }
      break;
    }
    for (int i = 0; i < c.unit_count; ++i) buffer[stored++] = c.units[i];
    position += c.bytes;
  }
  buffer[stored] = 0;
  return position;
}

}  // namespace tarrowin
