// Well-formed UTF-8 only, after the table of well-formed byte sequences in
// the Unicode standard (chapter 3, table 3-7).
#include "settings/utf8_strict.h"

namespace tarrowin {
namespace {

// The range of the second byte after a lead byte; the third and fourth are
// always 80..BF.
struct SecondByte {
  unsigned low, high;
};

SecondByte SecondRange(unsigned lead) {
  switch (lead) {
    case 0xE0:
      return {0xA0, 0xBF};  // no over-long three-byte forms
    case 0xED:
      return {0x80, 0x9F};  // no surrogates
    case 0xF0:
      return {0x90, 0xBF};  // no over-long four-byte forms
    case 0xF4:
      return {0x80, 0x8F};  // nothing above U+10FFFF
    default:
      return {0x80, 0xBF};
  }
}

// The length of the sequence a lead byte starts, 0 for a byte that starts
// none.
std::size_t SequenceLength(unsigned lead) {
  if (lead >= 0x01 && lead <= 0x7F) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::optional<std::size_t> DecodeUtf8Exactly(std::string_view bytes, char16_t* out,
                                             std::size_t capacity) {
  if (capacity == 0) return std::nullopt;
  out[0] = 0;
  std::size_t produced = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const unsigned lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || bytes.size() - at < length) break;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool well_formed = true;
    for (std::size_t i = 1; i < length && well_formed; ++i) {
      const unsigned next = static_cast<unsigned char>(bytes[at + i]);
      const SecondByte range = i == 1 ? SecondRange(lead) : SecondByte{0x80, 0xBF};
      well_formed = next >= range.low && next <= range.high;
      c = (c << 6) | (next & 0x3F);
    }
    const std::size_t units = c >= 0x10000 ? 2 : 1;
    // The terminator needs the last unit of the capacity.
    if (!well_formed || capacity - 1 - produced < units) break;
    if (units == 2) {
      out[produced++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out[produced++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out[produced++] = static_cast<char16_t>(c);
    }
    at += length;
  }
  if (at != bytes.size()) {
    out[0] = 0;
    return std::nullopt;
  }
  out[produced] = 0;
  return produced;
}

}  // namespace tarrowin
