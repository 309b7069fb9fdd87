// The pack search at the root of a drive: a missing D:\x.ini has exactly one
// candidate, the drive-relative name D:.pcf (a file ".pcf" in the current
// folder of drive D), holding the entry x.ini.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "files/file_stream.h"
#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

// Runs the test in `folder` and goes back to where it was.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) {
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    before_ = before;
    moved_ = SetCurrentDirectoryW(folder.c_str()) != FALSE;
  }
  ~CurrentFolder() { SetCurrentDirectoryW(before_.c_str()); }
  bool moved() const { return moved_; }

 private:
  std::wstring before_;
  bool moved_ = false;
};

TEST(PackLookupDriveTest, RootFileIsLookedForInTheDriveRelativeArchive) {
  testing_files::TempDir dir;
  const std::wstring folder = dir.dir().wstring();
  ASSERT_GE(folder.size(), 3u);
  ASSERT_EQ(folder[1], L':');
  testing_files::WriteImage(
      testing_files::BuildImage({{"tarrowin-missing.ini", testing_files::ToBytes("root"), 0}}),
      dir.dir() / ".pcf");
  CurrentFolder here(folder);
  ASSERT_TRUE(here.moved());
  const std::u16string missing = {static_cast<char16_t>(folder[0]), u':', u'\\'};
  ASSERT_EQ(
      GetFileAttributesW(
          std::wstring(missing.begin(), missing.end()).append(L"tarrowin-missing.ini").c_str()),
      INVALID_FILE_ATTRIBUTES);

  CFileStream stream;
  ASSERT_TRUE(stream.Open((missing + u"tarrowin-missing.ini").c_str(), kGenericRead, kFileShareRead,
                          kOpenExisting));
  char content[8] = {};
  std::uint32_t got = 0;
  ASSERT_TRUE(stream.Read(content, sizeof content, &got));
  EXPECT_EQ(std::string(content, got), "root");
}

}  // namespace
}  // namespace tarrowin
