#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/os_file.h"
#include "settings/settings_document.h"
#include "tests/files/temp_dir.h"
#include "tests/settings/document_contents.h"
#include "tests/settings/settings_fixture.h"

namespace tarrowin {
namespace {

using testing_files::ReadBytes;
using testing_files::WriteBytes;
using testing_settings::Contents;
using testing_settings::Section;
using testing_settings::TwoRulesFile;

class SettingsWriterTest : public testing::Test {
 protected:
  std::u16string Target() const { return dir_.Path(u"out.ini"); }
  int Save(int truncate = 1, const char16_t* only = nullptr) {
    return doc_.SaveFile(Target().c_str(), only, truncate);
  }
  std::string Written() const { return ReadBytes(dir_.dir() / "out.ini"); }
  // Names in the folder: a failed save leaves no temporary file behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.dir())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  testing_files::TempDir dir_;
  CSettingsDocument doc_;
};

TEST_F(SettingsWriterTest, WritesTwoRulesByteForByte) {
  doc_.SetString(u"tarrowin1", u"ProcessName", u"notepad.exe");
  doc_.SetString(u"tarrowin1", u"CPUCount", u"1");
  doc_.SetString(u"tarrowin1", u"CPUMask", u"0x00000001");
  doc_.SetString(u"tarrowin2", u"ProcessName", u"C:\\Program Files\\Tool\\tool.exe");
  doc_.SetInt(u"tarrowin2", u"CPUCount", 2);
  doc_.SetString(u"tarrowin2", u"CPUMask", u"0x00000003");
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), TwoRulesFile());
}

TEST_F(SettingsWriterTest, EmptyDocumentReplacesTheFileWithNothing) {
  WriteBytes(dir_.dir() / "out.ini", "old");
  doc_.AddSection(u"no keys");
  doc_.SetString(u"emptied", u"k", u"v");
  doc_.DeleteKey(u"emptied", u"k");
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "");
  EXPECT_EQ(Files(), std::vector<std::string>{"out.ini"});
}

struct QuoteCase {
  const char16_t* value;
  std::string line;
};

class QuotingTest : public SettingsWriterTest, public testing::WithParamInterface<QuoteCase> {};

TEST_P(QuotingTest, QuotesExactlyValuesWithBlanks) {
  doc_.SetString(u"s", u"k", GetParam().value);
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "[s]\r\n" + GetParam().line + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, QuotingTest,
    testing::Values(QuoteCase{u"a b", "k=\"a b\"\r\n"}, QuoteCase{u"ab", "k=ab\r\n"},
                    QuoteCase{u"a\tb", "k=\"a\tb\"\r\n"}, QuoteCase{u" a", "k=\" a\"\r\n"},
                    QuoteCase{u"a ", "k=\"a \"\r\n"}, QuoteCase{u"a\"b", "k=a\"b\r\n"},
                    QuoteCase{u"", "k=\r\n"}, QuoteCase{u"a\nb", "k=a\r\nb\r\n"}));

TEST_F(SettingsWriterTest, WritesCodePage932AndQuestionMarks) {
  // 가 (Hangul) and 😀 (beyond U+FFFF) are not in code page 932.
  doc_.SetString(u"\u8A2D\u5B9A", u"\u540D\u524D", u"\uAC00\U0001F600x\xDC00");
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "[\x90\xDD\x92\xE8]\r\n\x96\xBC\x91\x4F=??x?\r\n\r\n");
}

TEST_F(SettingsWriterTest, KeysFollowTheirOrderNotTheirNames) {
  doc_.SetString(u"s", u"b", u"1");
  doc_.SetString(u"s", u"a", u"2");
  doc_.SetString(u"s", u"c", u"3");
  doc_.DeleteKey(u"s", u"a");
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "[s]\r\nb=1\r\nc=3\r\n\r\n");
}

TEST_F(SettingsWriterTest, OnlySectionAndAppending) {
  doc_.SetString(u"a", u"k", u"1");
  doc_.SetString(u"b", u"k", u"2");
  ASSERT_EQ(Save(1, u"b"), 1);
  EXPECT_EQ(Written(), "[b]\r\nk=2\r\n\r\n");
  ASSERT_EQ(Save(0, u"b"), 1);
  EXPECT_EQ(Written(), "[b]\r\nk=2\r\n\r\n[b]\r\nk=2\r\n\r\n");
  ASSERT_EQ(Save(1, u"missing"), 1);
  EXPECT_EQ(Written(), "");
  ASSERT_EQ(Save(1, u"B"), 1);  // names are case-sensitive
  EXPECT_EQ(Written(), "");
}

TEST_F(SettingsWriterTest, RepeatedRecordsAreAllWritten) {
  WriteBytes(dir_.dir() / "in.ini", "[a]\r\nk=1\r\n[a]\r\nk=2\r\n");
  ASSERT_EQ(doc_.LoadFile(dir_.Path(u"in.ini").c_str()), 1);
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "[a]\r\nk=1\r\n\r\n[a]\r\nk=2\r\n\r\n");
}

TEST_F(SettingsWriterTest, WhatIsWrittenReadsBack) {
  doc_.SetString(u"tarrowin1", u"ProcessName", u"C:\\Program Files\\\u30C4\u30FC\u30EB\\a b.exe");
  doc_.SetString(u"tarrowin1", u"CPUCount", u"-2");
  doc_.SetString(u"tarrowin1", u"CPUMask", u"0x0000000c");
  doc_.SetString(u"\u8A2D\u5B9A \u2460", u"\uFF71\u2252", u"tab\there");
  doc_.SetString(u"", u"top", u"\u8868\\");  // 表 has 0x5C as its second byte
  const std::vector<Section> before = Contents(doc_);
  ASSERT_EQ(Save(), 1);
  CSettingsDocument read;
  ASSERT_EQ(read.LoadFile(Target().c_str()), 1);
  EXPECT_EQ(Contents(read), before);
}

TEST_F(SettingsWriterTest, LeavesOtherFilesBesideTheTargetAlone) {
  WriteBytes(dir_.dir() / "out.ini.save.tmp", "someone else's");
  doc_.SetString(u"s", u"k", u"v");
  ASSERT_EQ(Save(), 1);
  EXPECT_EQ(Written(), "[s]\r\nk=v\r\n\r\n");
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.ini.save.tmp"), "someone else's");
  EXPECT_EQ(Files().size(), 2u);
}

TEST_F(SettingsWriterTest, UnwritablePlacesFail) {
  doc_.SetString(u"s", u"k", u"v");
  EXPECT_EQ(doc_.SaveFile(dir_.Path(u"missing/out.ini").c_str(), nullptr, 1), 0);
  EXPECT_EQ(doc_.SaveFile(dir_.Path(u"missing/out.ini").c_str(), nullptr, 0), 0);
  std::filesystem::create_directory(dir_.dir() / "folder");
  EXPECT_EQ(doc_.SaveFile(dir_.Path(u"folder").c_str(), nullptr, 1), 0);
  EXPECT_EQ(doc_.SaveFile(nullptr, nullptr, 1), 0);
  EXPECT_EQ(Files(), std::vector<std::string>{"folder"});
}

// A name beside the target would be longer than a file name may be: the file
// is written in place instead, and nothing is left beside it.
TEST_F(SettingsWriterTest, TargetWithNoRoomForASideFileIsWrittenInPlace) {
  const std::u16string name(250, u'n');
  const std::filesystem::path file = dir_.dir() / std::filesystem::path(name);
  WriteBytes(file, "[old]\r\nkey=a longer value than the new one\r\n\r\n");
  doc_.SetString(u"s", u"k", u"v");
  ASSERT_EQ(doc_.SaveFile(dir_.Path(name).c_str(), nullptr, 1), 1);
  EXPECT_EQ(ReadBytes(file), "[s]\r\nk=v\r\n\r\n");
  EXPECT_EQ(Files().size(), 1u);
  // A new file of such a name is made directly.
  const std::u16string fresh(251, u'm');
  ASSERT_EQ(doc_.SaveFile(dir_.Path(fresh).c_str(), nullptr, 1), 1);
  EXPECT_EQ(ReadBytes(dir_.dir() / std::filesystem::path(fresh)), "[s]\r\nk=v\r\n\r\n");
  EXPECT_EQ(Files().size(), 2u);
}

// Read-only files are enforced on Windows; root ignores them on POSIX.
TEST_F(SettingsWriterTest, ReadOnlyTargetKeepsItsContent) {
  WriteBytes(dir_.dir() / "out.ini", "old");
  namespace fs = std::filesystem;
  fs::permissions(dir_.dir() / "out.ini",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const bool enforced =
      !FileHandle::Open(Target().c_str(), kGenericWrite, 0, kOpenExisting).IsValid();
  if (enforced) {
    doc_.SetString(u"s", u"k", u"v");
    EXPECT_EQ(Save(1), 0);
    EXPECT_EQ(Save(0), 0);
    EXPECT_EQ(Written(), "old");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.ini"});
  }
  fs::permissions(dir_.dir() / "out.ini", fs::perms::owner_all);
  if (!enforced) GTEST_SKIP() << "read-only files are writable here";
}

// Sharing is enforced on Windows only.
TEST_F(SettingsWriterTest, TargetInUseWithoutSharingKeepsItsContent) {
  WriteBytes(dir_.dir() / "out.ini", "old");
  FileHandle holder = FileHandle::Open(Target().c_str(), kGenericRead, 0, kOpenExisting);
  ASSERT_TRUE(holder.IsValid());
  if (FileHandle::Open(Target().c_str(), kGenericWrite, kFileShareRead | kFileShareWrite,
                       kOpenExisting)
          .IsValid()) {
    GTEST_SKIP() << "no sharing modes here";
  }
  doc_.SetString(u"s", u"k", u"v");
  EXPECT_EQ(Save(1), 0);
  holder.Close();
  EXPECT_EQ(Written(), "old");
  EXPECT_EQ(Files(), std::vector<std::string>{"out.ini"});
}

}  // namespace
}  // namespace tarrowin
