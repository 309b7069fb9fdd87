// The file choosers' filter texts, checked without Windows.
#include "app/file_filters.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrowin {
namespace {

// Builds a text with embedded nulls from its pieces.
std::u16string Joined(std::initializer_list<std::u16string_view> pieces) {
  std::u16string text;
  for (std::u16string_view piece : pieces) {
    text.append(piece);
    text += u'\0';
  }
  return text;
}

TEST(FileFiltersTest, SettingsFilesThenAllFiles) {
  EXPECT_EQ(FilterText(kSettingsFilePairs),
            Joined({u"設定ファイル (*.ini)", u"*.ini", u"すべてのファイル (*.*)", u"*", u""}));
}

TEST(FileFiltersTest, ProgramsThenAllFiles) {
  EXPECT_EQ(FilterText(kProgramFilePairs),
            Joined({u"実行ファイル (*.exe)", u"*.exe", u"すべてのファイル (*.*)", u"*", u""}));
}

TEST(FileFiltersTest, NoPairsGiveAllFilesAlone) {
  EXPECT_EQ(FilterText(u""), Joined({u"すべてのファイル (*.*)", u"*", u""}));
  EXPECT_EQ(FilterText(nullptr), Joined({u"すべてのファイル (*.*)", u"*", u""}));
}

}  // namespace
}  // namespace tarrowin
