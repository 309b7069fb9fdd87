// Saves on Windows that replace a file keep it the same file: its
// attributes stay, and a symbolic link to it stays a link.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "files/os_file.h"
#include "settings/settings_document.h"
#include "tests/files/temp_dir.h"

namespace tarrowin {
namespace {

using testing_files::ReadBytes;
using testing_files::WriteBytes;

constexpr char kOld[] = "[old]\r\nk=v\r\n\r\n";
constexpr char kNew[] = "[s]\r\nk=v\r\n\r\n";

// Makes `link` a symbolic link to `target`, a name in the same folder. False
// when none is made: without the privilege, or under Wine, which answers
// the call without making a link.
bool MakeFileLink(const std::filesystem::path& link, const std::wstring& target) {
  const DWORD kAllowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), kAllowUnprivileged)) return false;
  const DWORD attributes = GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

class ReplacedFileTest : public testing::Test {
 protected:
  void SetUp() override { doc_.SetString(u"s", u"k", u"v"); }
  int Save(const std::filesystem::path& path) {
    return doc_.SaveFile(path.u16string().c_str(), nullptr, 1);
  }

  testing_files::TempDir dir_;
  CSettingsDocument doc_;
};

TEST_F(ReplacedFileTest, AttributesStay) {
  const std::filesystem::path file = dir_.dir() / "rules.ini";
  WriteBytes(file, kOld);
  const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes));
  ASSERT_EQ(Save(file), 1);
  EXPECT_EQ(ReadBytes(file), kNew);
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & 0xFF, attributes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.dir()),
                          std::filesystem::directory_iterator()),
            1);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ReplacedFileTest, LinkStaysAndItsTargetIsWritten) {
  const std::filesystem::path file = dir_.dir() / "rules.ini";
  const std::filesystem::path link = dir_.dir() / "link.ini";
  WriteBytes(file, kOld);
  if (!MakeFileLink(link, L"rules.ini")) GTEST_SKIP() << "no symbolic links here";
  EXPECT_EQ(FollowLinks(link.u16string().c_str()), file.u16string());
  ASSERT_EQ(Save(link), 1);
  EXPECT_EQ(ReadBytes(file), kNew);
  // Still a link: writing the file through it shows through it.
  WriteBytes(file, kOld);
  EXPECT_EQ(ReadBytes(link), kOld);
}

}  // namespace
}  // namespace tarrowin
