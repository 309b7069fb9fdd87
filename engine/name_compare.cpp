// Simple case folding for name comparison.
#include "engine/name_compare.h"

namespace tarrowin {

char16_t FoldCase(char16_t c) {
  auto shifted = [c](int by) { return static_cast<char16_t>(c + by); };
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? shifted(0x20) : c;
  // Latin-1: U+00C0 ... U+00DE except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE) return c == 0xD7 ? c : shifted(0x20);
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return u'i';  // dotted capital I
    if (c == 0x178) return 0xFF;  // Y with diaeresis
    // Pairs start on even code points, except in U+0139 ... U+0148 and
    // U+0179 ... U+017E where they start on odd ones; U+0131, U+0138 and
    // U+0149 have no partner here.
    const bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    const bool upper = odd_pairs ? (c & 1) != 0 : (c & 1) == 0;
    return upper ? shifted(1) : c;
  }
  // Greek capitals U+0391 ... U+03AB (U+03A2 is unassigned).
  if (c >= 0x391 && c <= 0x3AB) return c == 0x3A2 ? c : shifted(0x20);
  // Cyrillic: U+0400 ... U+040F and U+0410 ... U+042F.
  if (c >= 0x400 && c <= 0x40F) return shifted(0x50);
  if (c >= 0x410 && c <= 0x42F) return shifted(0x20);
  // Full-width Latin capitals.
  if (c >= 0xFF21 && c <= 0xFF3A) return shifted(0x20);
  return c;
}

bool EqualNoCase(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    // Equal units need no folding; most compared paths share long prefixes.
    if (*a == *b) {
      if (*a == 0) return true;
      continue;
    }
    if (FoldCase(*a) != FoldCase(*b)) return false;
  }
}

}  // namespace tarrowin
