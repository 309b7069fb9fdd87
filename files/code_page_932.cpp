// Code page 932 tables. Decoding is a table lookup, so reading a large
// settings file costs no per-character system call.
#include "files/code_page_932.h"

#include "files/os_text.h"

namespace tarrowin {

const CodePage932& CodePage932::Instance() {
  static const CodePage932 tables;
  return tables;
}

CodePage932::CodePage932() : single_(256, kNone), double_(65536, kNone), encode_(65536, kNone) {
  for (int b = 0; b < 256; ++b) {
    const std::uint8_t bytes[1] = {static_cast<std::uint8_t>(b)};
    char16_t unit;
    if (SystemDecodeCodePage932(bytes, 1, &unit)) {
      single_[b] = unit;
      continue;
    }
    for (int t = 0; t < 256; ++t) {
      const std::uint8_t pair[2] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(t)};
      if (SystemDecodeCodePage932(pair, 2, &unit)) double_[b << 8 | t] = unit;
    }
  }
  // Several sequences can give one character. The encoder takes the first
  // in byte order, except that the NEC-selected copies of the IBM extensions
  // (lead bytes ED and EE) yield to the IBM originals at FA to FC: the choice
  // Windows makes when it converts to code page 932.
  for (int b = 0; b < 256; ++b) {
    if (single_[b] != kNone && encode_[single_[b]] == kNone) encode_[single_[b]] = b;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int code = 0x100; code < 0x10000; ++code) {
      const int lead = code >> 8;
      const bool nec_selected = lead == 0xED || lead == 0xEE;
      if (nec_selected != (pass == 1)) continue;
      const std::uint16_t unit = double_[code];
      if (unit != kNone && encode_[unit] == kNone) encode_[unit] = static_cast<std::uint16_t>(code);
    }
  }
}

int CodePage932::Decode(const std::uint8_t* bytes, std::size_t available, char16_t* out) const {
  if (available == 0) return 0;
  const std::uint16_t one = single_[bytes[0]];
  if (one != kNone) {
    *out = one;
    return 1;
  }
  if (available < 2) return 0;
  const std::uint16_t two = double_[bytes[0] << 8 | bytes[1]];
  if (two == kNone) return 0;
  *out = two;
  return 2;
}

int CodePage932::Encode(char16_t unit, std::uint8_t* out) const {
  const std::uint16_t code = encode_[unit];
  if (code == kNone) return 0;
  if (code < 0x100) {
    out[0] = static_cast<std::uint8_t>(code);
    return 1;
  }
  out[0] = static_cast<std::uint8_t>(code >> 8);
  out[1] = static_cast<std::uint8_t>(code & 0xFF);
  return 2;
}

}  // namespace tarrowin
