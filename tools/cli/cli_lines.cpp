// Fields and lines of the output.
#include "tools/cli/cli_lines.h"

#include "app/rule_cells.h"

namespace tarrowin {

std::u16string TextField(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  const auto escape = [](std::u16string& out, char16_t c, int digits) {
    out += digits == 2 ? u"\\x" : u"\\u";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
  };
  std::u16string field;
  field.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool paired =
        high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (c < 0x20 || c == 0x7F) {
      escape(field, c, 2);
    } else if (paired) {
      field += c;
      field += text[++i];
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      escape(field, c, 4);  // a lone surrogate, which no output encoding can carry
    } else {
      field += c;
    }
  }
  return field;
}

std::u16string NumberField(std::uint64_t value) { return Ascii(std::to_string(value)); }

std::u16string MaskField(std::uint32_t mask) { return MaskText(mask); }

std::u16string Line(std::initializer_list<std::u16string_view> fields) {
  std::u16string line;
  bool first = true;
  for (const std::u16string_view field : fields) {
    if (!first) line += u'\t';
    line += field;
    first = false;
  }
  return line;
}

std::u16string ChangeLine(const AffinityChange& change) {
  return Line({NumberField(change.Process), TextField(change.Path), MaskField(change.OldMask),
               MaskField(change.NewMask)});
}

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace tarrowin
