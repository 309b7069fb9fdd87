// The filters of the file choosers: pairs of a description and a pattern,
// each a null-terminated string, the pairs ending with an empty string (the
// form the common file dialogs take). Portable.
#pragma once

#include <string>

namespace tarrowin {

// Settings files: "設定ファイル (*.ini)" with "*.ini".
extern const char16_t kSettingsFilePairs[];
// Programs for a rule: "実行ファイル (*.exe)" with "*.exe".
extern const char16_t kProgramFilePairs[];

// The caller's pairs (up to their closing empty string), then
// "すべてのファイル (*.*)" with "*", then the closing empty string: every
// chooser offers all files last. The result holds the embedded nulls and
// the final terminator.
std::u16string FilterText(const char16_t* pairs);

}  // namespace tarrowin
