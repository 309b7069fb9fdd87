// Filter texts of the file choosers.
#include "app/file_filters.h"

namespace tarrowin {

// The array's own terminator is the closing empty string.
const char16_t kSettingsFilePairs[] = u"設定ファイル (*.ini)\0*.ini\0";
const char16_t kProgramFilePairs[] = u"実行ファイル (*.exe)\0*.exe\0";

std::u16string FilterText(const char16_t* pairs) {
  static constexpr char16_t kAllFiles[] = u"すべてのファイル (*.*)\0*\0";
  std::u16string text;
  for (const char16_t* piece = pairs; piece != nullptr && *piece != u'\0';) {
    const std::u16string_view string(piece);
    text.append(string);
    text += u'\0';
    piece += string.size() + 1;
  }
  text.append(kAllFiles, std::size(kAllFiles));  // both strings, then the empty one
  return text;
}

}  // namespace tarrowin
