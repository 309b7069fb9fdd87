// The runtime library's locale, set to Japanese once for the whole process:
// text written and read through the runtime then uses code page 932.
#pragma once

namespace tarrowin {

// Sets the locale of all categories to "jpn" the first time it is called.
void EnsureJapaneseLocale();

}  // namespace tarrowin
