// Case-insensitive equality of UTF-16 names for the platforms without
// lstrcmpiW: simple one-to-one case folding of the Latin, Greek, Cyrillic
// and full-width Latin letters, which covers program file names.
#pragma once

namespace tarrowin {

// The lower-case partner of `c`, or `c` itself.
char16_t FoldCase(char16_t c);

// True when the two null-terminated texts are equal after FoldCase.
bool EqualNoCase(const char16_t* a, const char16_t* b);

}  // namespace tarrowin
