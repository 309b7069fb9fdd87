// The rules in settings files, checked without Windows: the sections and
// bytes a save writes, and the rules a load gives, clamped against the
// system's processors.
#include "app/rule_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/temp_dir.h"
#include "tests/settings/settings_fixture.h"

namespace tarrowin {
namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;
using testing_settings::TwoRulesFile;

class RuleSettingsTest : public ::testing::Test {
 protected:
  // What saving `rules` writes, as bytes.
  std::string Saved(const std::vector<LimitRule>& rules) {
    CSettingsDocument document;
    RulesToSettings(rules, document);
    EXPECT_EQ(document.SaveFile(dir_.Path(u"out.ini").c_str(), nullptr, 1), 1);
    return ReadBytes(dir_.dir() / "out.ini");
  }

  // The rules that loading a file of `bytes` gives on a machine with
  // `systemCPUCount` processors.
  std::vector<LimitRule> Loaded(const std::string& bytes, int systemCPUCount = 8) {
    WriteBytes(dir_.dir() / "in.ini", bytes);
    CSettingsDocument document;
    EXPECT_EQ(document.LoadFile(dir_.Path(u"in.ini").c_str()), 1);
    return RulesFromSettings(document, systemCPUCount);
  }

  TempDir dir_;
};

TEST_F(RuleSettingsTest, TwoRulesAreWrittenByteForByte) {
  EXPECT_EQ(Saved({{u"notepad.exe", 1, 0x1}, {u"C:\\Program Files\\Tool\\tool.exe", 2, 0x3}}),
            TwoRulesFile());
}

TEST_F(RuleSettingsTest, SectionsFollowTheListWithSignedCountsAndEightDigitMasks) {
  EXPECT_EQ(Saved({{u"ゲーム.exe", -2, 0}, {u"b.exe", 4, 0xF}, {u"c.exe", 0, 0}}),
            "[tarrowin1]\r\n"
            "ProcessName=\x83\x51\x81\x5b\x83\x80.exe\r\n"  // code page 932
            "CPUCount=-2\r\n"
            "CPUMask=0x00000000\r\n"
            "\r\n"
            "[tarrowin2]\r\n"
            "ProcessName=b.exe\r\n"
            "CPUCount=4\r\n"
            "CPUMask=0x0000000f\r\n"
            "\r\n"
            "[tarrowin3]\r\n"
            "ProcessName=c.exe\r\n"
            "CPUCount=0\r\n"
            "CPUMask=0x00000000\r\n"
            "\r\n");
}

TEST_F(RuleSettingsTest, NoRulesWriteAnEmptyFile) { EXPECT_EQ(Saved({}), ""); }

TEST_F(RuleSettingsTest, WhatIsSavedLoadsBack) {
  const std::vector<LimitRule> rules = {{u"notepad.exe", 1, 0x1},
                                        {u"C:\\Program Files\\ツール\\tool.exe", -2, 0x3},
                                        {u"x.exe", 0, 0},
                                        {u"notepad.exe", 8, 0}};
  EXPECT_EQ(Loaded(Saved(rules)), rules);
}

// The example in the documentation is a file as the program writes it:
// loading and saving it again gives it back byte for byte.
TEST_F(RuleSettingsTest, ExampleFileIsWhatTheProgramWrites) {
  const char* folder = std::getenv("TARROWIN_TEST_DATA");
  ASSERT_NE(folder, nullptr) << "TARROWIN_TEST_DATA is not set";
  const std::string example = ReadBytes(std::filesystem::path(folder) / "tarrowin.ini");
  const std::vector<LimitRule> rules = Loaded(example);
  const std::vector<LimitRule> expected = {{u"notepad.exe", 1, 0},
                                           {u"C:\\Program Files\\Tool\\tool.exe", 2, 0x3},
                                           {u"ゲーム.exe", -2, 0}};
  EXPECT_EQ(rules, expected);
  EXPECT_EQ(Saved(rules), example);
}

struct LoadCase {
  const char* name;
  std::string bytes;
  int systemCPUCount;
  std::vector<LimitRule> rules;
};

class RuleLoadTest : public RuleSettingsTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(RuleLoadTest, GivesTheRulesOfTheFile) {
  EXPECT_EQ(Loaded(GetParam().bytes, GetParam().systemCPUCount), GetParam().rules);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RuleLoadTest,
    ::testing::Values(
        LoadCase{"FreelyNamedSections",
                 "[first]\nProcessName=a.exe\nCPUCount=1\nCPUMask=0\n"
                 "[zz]\nCPUMask=0x2\nCPUCount=1\nProcessName=b.exe\n",
                 8,
                 {{u"a.exe", 1, 0}, {u"b.exe", 1, 0x2}}},
        LoadCase{"TooManyCoresAreCutKeepingTheSign",
                 "[a]\nProcessName=a.exe\nCPUCount=64\nCPUMask=0xff\n"
                 "[b]\nProcessName=b.exe\nCPUCount=-64\nCPUMask=0\n",
                 8,
                 {{u"a.exe", 8, 0}, {u"b.exe", -8, 0}}},
        LoadCase{"MaskKeptOnlyWithTheCountsBits",
                 "[a]\nProcessName=a.exe\nCPUCount=2\nCPUMask=0x7\n"
                 "[b]\nProcessName=b.exe\nCPUCount=2\nCPUMask=3\n"
                 "[c]\nProcessName=c.exe\nCPUCount=0\nCPUMask=0x1\n",
                 8,
                 {{u"a.exe", 2, 0}, {u"b.exe", 2, 0x3}, {u"c.exe", 0, 0}}},
        LoadCase{"RepeatedSectionNameReadsTheFirstTwice",
                 "[s]\nProcessName=a.exe\nCPUCount=1\nCPUMask=0\n"
                 "[s]\nProcessName=b.exe\nCPUCount=2\nCPUMask=0\n",
                 8,
                 {{u"a.exe", 1, 0}, {u"a.exe", 1, 0}}},
        LoadCase{"RepeatedNamesAreAllKept",
                 "[a]\nProcessName=a.exe\nCPUCount=1\nCPUMask=0\n"
                 "[b]\nProcessName=A.EXE\nCPUCount=2\nCPUMask=0\n",
                 8,
                 {{u"a.exe", 1, 0}, {u"A.EXE", 2, 0}}},
        LoadCase{"EmptyNameIsLoaded",
                 "[a]\nProcessName=\"\"\nCPUCount=1\nCPUMask=0\n",
                 8,
                 {{u"", 1, 0}}},
        LoadCase{"SectionsWithoutAllThreeKeysAreSkipped",
                 "[a]\nProcessName=a.exe\nCPUCount=1\n"
                 "[b]\nCPUCount=1\nCPUMask=0\n"
                 "[c]\nProcessName=c.exe\nCPUMask=0\n"
                 "[d]\nProcessName=d.exe\nCPUCount=1\nCPUMask=\n",
                 8,
                 {}},
        LoadCase{"TextsThatAreNotNumbersReadAsZero",
                 "[a]\nProcessName=a.exe\nCPUCount=many\nCPUMask=0x3\n"
                 "[b]\nProcessName=b.exe\nCPUCount=\" 2 cores\"\nCPUMask=all\n",
                 8,
                 {{u"a.exe", 0, 0}, {u"b.exe", 2, 0}}},
        LoadCase{"KeysBeforeAnyHeaderMakeARule",
                 "ProcessName=top.exe\nCPUCount=-1\nCPUMask=0x00000004\n",
                 8,
                 {{u"top.exe", -1, 0x4}}},
        LoadCase{"CodePage932Names",
                 "[tarrowin1]\r\nProcessName=\"C:\\\x83\x51\x81\x5b\x83\x80 x\\a.exe\"\r\n"
                 "CPUCount=1\r\nCPUMask=0x00000002\r\n",
                 2,
                 {{u"C:\\ゲーム x\\a.exe", 1, 0x2}}},
        LoadCase{"Utf8WithByteOrderMark",
                 "\xEF\xBB\xBF[r]\nProcessName=ゲーム.exe\nCPUCount=3\nCPUMask=0x0b\n",
                 4,
                 {{u"ゲーム.exe", 3, 0xB}}},
        LoadCase{"MaskBit31",
                 "[r]\nProcessName=a.exe\nCPUCount=2\nCPUMask=0x80000001\n",
                 2,
                 {{u"a.exe", 2, 0x80000001}}},
        LoadCase{"EmptyFile", "", 8, {}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarrowin
