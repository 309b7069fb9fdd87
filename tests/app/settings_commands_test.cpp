// The settings-file commands through the real menu bar, with the file
// choosers and message boxes driven by the test: the bytes a save writes,
// the rows, master rules and engine rules a load gives, and every message.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/settings_commands.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/resource.h"
#include "tests/app/fake_processes.h"
#include "tests/app/modal_driver.h"
#include "tests/app/shell_fixture.h"
#include "tests/files/temp_dir.h"
#include "tests/settings/settings_fixture.h"

namespace tarrowin::testing {
namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;
using testing_settings::TwoRulesFile;

constexpr wchar_t kOpenCaption[] = L"設定ファイルを開く";
constexpr wchar_t kSaveCaption[] = L"設定ファイルを保存する";
constexpr wchar_t kDoneCaption[] = L"処理完了";
constexpr wchar_t kErrorCaption[] = L"エラー";

const std::vector<std::wstring> kSettingsFilters = {L"設定ファイル (*.ini)",
                                                    L"すべてのファイル (*.*)"};

// Holds a file open without sharing, so nobody else can open it.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::filesystem::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
  }
  ~ExclusiveLock() { CloseHandle(handle_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  HANDLE handle_;
};

class SettingsCommandTest : public ShellTest {
 protected:
  void PretendSystem(std::uint32_t mask) {
    Context().SystemMask = mask;
    Context().SystemCPUCount = std::popcount(mask);
  }

  std::filesystem::path File(const wchar_t* name) const { return dir_.dir() / name; }

  // Chooses "設定をファイルに保存する(&S)" and answers the chooser with
  // `path` (cancels for an empty one); then a message box with `caption`
  // is expected unless the chooser was cancelled.
  bool Save(const std::wstring& path, const wchar_t* caption = kDoneCaption) {
    return Command(ID_SAVE_SETTINGS, kSaveCaption, path, caption);
  }
  bool Open(const std::wstring& path, const wchar_t* caption = kDoneCaption) {
    return Command(ID_OPEN_SETTINGS, kOpenCaption, path, caption);
  }

  const std::vector<LimitRule>& Rules() { return *Context().MasterRules; }

  std::vector<std::wstring> Row(int row) {
    std::vector<std::wstring> cells;
    for (int column = 0; column < 4; ++column) cells.push_back(CellText(row, column));
    return cells;
  }

  TempDir dir_;
  FileChooserSeen chooser_;
  MessageBoxSeen box_;

 private:
  bool Command(UINT command, const wchar_t* chooserCaption, const std::wstring& path,
               const wchar_t* caption) {
    chooser_ = {};
    box_ = {};
    ModalDriver driver;
    driver.Expect(chooserCaption, AnswerFileChooser(path, &chooser_));
    if (!path.empty()) driver.Expect(caption, ReadMessageBox(box_));
    return driver.Run(MainWindow(), WM_COMMAND, command);
  }
};

TEST_F(SettingsCommandTest, SaveWritesTheRulesByteForByte) {
  AddRule({u"notepad.exe", 1, 0x1});
  AddRule({u"C:\\Program Files\\Tool\\tool.exe", 2, 0x3});
  ASSERT_TRUE(Save(File(L"rules.ini")));
  EXPECT_EQ(ReadBytes(File(L"rules.ini")), TwoRulesFile());

  EXPECT_EQ(chooser_.owner, MainWindow());
  EXPECT_EQ(chooser_.initialName, L"");
  EXPECT_EQ(chooser_.filters, kSettingsFilters);
  EXPECT_EQ(chooser_.selectedFilter, 0);
  EXPECT_EQ(box_.text, L"保存が完了しました。");
  EXPECT_EQ(box_.owner, MainWindow());
  EXPECT_TRUE(box_.informationIcon);
}

TEST_F(SettingsCommandTest, SaveWritesJapaneseInCodePage932AndRulesAsHeld) {
  AddRule({u"C:\\ゲーム\\ゲーム.exe", -2, 0});
  AddRule({u"b.exe", 4, 0xF});
  ASSERT_TRUE(Save(File(L"rules.ini")));
  EXPECT_EQ(ReadBytes(File(L"rules.ini")),
            "[tarrowin1]\r\n"
            "ProcessName=C:\\\x83\x51\x81\x5b\x83\x80\\\x83\x51\x81\x5b\x83\x80.exe\r\n"
            "CPUCount=-2\r\n"
            "CPUMask=0x00000000\r\n"
            "\r\n"
            "[tarrowin2]\r\n"
            "ProcessName=b.exe\r\n"
            "CPUCount=4\r\n"
            "CPUMask=0x0000000f\r\n"
            "\r\n");
}

TEST_F(SettingsCommandTest, SavingNoRulesWritesAnEmptyFileAndSucceeds) {
  ASSERT_TRUE(Save(File(L"rules.ini")));
  EXPECT_TRUE(std::filesystem::exists(File(L"rules.ini")));
  EXPECT_EQ(ReadBytes(File(L"rules.ini")), "");
  EXPECT_EQ(box_.text, L"保存が完了しました。");
}

// No extension is added and an existing file is replaced without a
// question.
TEST_F(SettingsCommandTest, SaveUsesTheNameAsTypedAndReplacesWithoutAsking) {
  AddRule({u"a.exe", 1, 0});
  ASSERT_TRUE(Save(File(L"rules")));
  AddRule({u"b.exe", 1, 0});
  ASSERT_TRUE(Save(File(L"rules")));
  EXPECT_FALSE(std::filesystem::exists(File(L"rules.ini")));
  EXPECT_EQ(ReadBytes(File(L"rules")),
            "[tarrowin1]\r\nProcessName=a.exe\r\nCPUCount=1\r\nCPUMask=0x00000000\r\n\r\n"
            "[tarrowin2]\r\nProcessName=b.exe\r\nCPUCount=1\r\nCPUMask=0x00000000\r\n\r\n");
}

TEST_F(SettingsCommandTest, SaveThatCannotWriteSaysSoAndKeepsTheFile) {
  WriteBytes(File(L"rules.ini"), "old");
  AddRule({u"a.exe", 1, 0});
  {
    ExclusiveLock lock(File(L"rules.ini"));
    ASSERT_TRUE(Save(File(L"rules.ini"), kErrorCaption));
  }
  EXPECT_EQ(box_.text, L"保存に失敗しました。");
  EXPECT_EQ(box_.owner, MainWindow());
  EXPECT_TRUE(box_.errorIcon);
  EXPECT_EQ(ReadBytes(File(L"rules.ini")), "old");
}

TEST_F(SettingsCommandTest, CancelledChoosersDoNothingAndSayNothing) {
  AddRule({u"a.exe", 1, 0});
  ASSERT_TRUE(Save(L""));
  ASSERT_TRUE(Open(L""));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.dir()));
  EXPECT_EQ(Rules(), std::vector<LimitRule>({{u"a.exe", 1, 0}}));
  EXPECT_EQ(RowCount(), 1);
}

TEST_F(SettingsCommandTest, OpenReplacesRowsMasterRulesAndEngineRules) {
  PretendSystem(0x3);
  FakeEngine engine(Context(), {u"C:\\Windows\\notepad.exe", u"C:\\ゲーム\\game.exe",
                                u"C:\\t\\tool.exe", u"C:\\old\\old.exe"});
  AddRule({u"old.exe", 1, 0x8});
  AddRule({u"older.exe", 1, 0});
  SelectRow(0);
  SendMessageW(MainWindow(), WM_COMMAND, ID_CYCLE_LONG, 0);
  WriteBytes(File(L"rules.ini"),
             "[tarrowin1]\r\nProcessName=notepad.exe\r\nCPUCount=1\r\nCPUMask=0x00000001\r\n\r\n"
             "[tarrowin2]\r\nProcessName=\"C:\\\x83\x51\x81\x5b\x83\x80\\game.exe\"\r\n"
             "CPUCount=-2\r\nCPUMask=0x00000000\r\n\r\n"
             "[partial]\r\nProcessName=skipped.exe\r\nCPUCount=1\r\n\r\n"
             "[free name]\r\nProcessName=tool.exe\r\nCPUCount=64\r\nCPUMask=0x3\r\n\r\n");
  ASSERT_TRUE(Open(File(L"rules.ini")));

  EXPECT_EQ(box_.text, L"読み込みが完了しました。");
  EXPECT_EQ(box_.owner, MainWindow());
  EXPECT_TRUE(box_.informationIcon);
  EXPECT_EQ(chooser_.owner, MainWindow());
  EXPECT_EQ(chooser_.filters, kSettingsFilters);
  EXPECT_EQ(chooser_.selectedFilter, 0);

  const std::vector<LimitRule> loaded = {
      {u"notepad.exe", 1, 0x1}, {u"C:\\ゲーム\\game.exe", -2, 0}, {u"tool.exe", 2, 0}};
  EXPECT_EQ(Rules(), loaded);
  ASSERT_EQ(RowCount(), 3);
  EXPECT_EQ(Row(0), std::vector<std::wstring>({L"notepad.exe", L"1", L"0x00000001", L"有効"}));
  EXPECT_EQ(Row(1),
            std::vector<std::wstring>({L"C:\\ゲーム\\game.exe", L"2", L"0x00000000", L"無効"}));
  EXPECT_EQ(Row(2), std::vector<std::wstring>({L"tool.exe", L"2", L"0x00000000", L"有効"}));
  // The list was cleared: nothing is selected to edit or delete.
  EXPECT_FALSE(ItemCommandsEnabled());

  const auto narrowed = engine.Pass();
  ASSERT_EQ(narrowed.size(), 2u);
  EXPECT_EQ(narrowed.at(0), 0x1u);
  EXPECT_EQ(std::popcount(narrowed.at(2)), 2);

  // The check cycle is not part of a settings file.
  EXPECT_EQ(MenuState(ID_CYCLE_LONG), static_cast<UINT>(MFS_CHECKED));
}

TEST_F(SettingsCommandTest, OpenThatCannotReadSaysSoAndChangesNothing) {
  FakeEngine engine(Context(), {u"C:\\old\\old.exe"});
  AddRule({u"old.exe", 1, 0x1});
  WriteBytes(File(L"rules.ini"), TwoRulesFile());
  {
    ExclusiveLock lock(File(L"rules.ini"));
    ASSERT_TRUE(Open(File(L"rules.ini"), kErrorCaption));
  }
  EXPECT_EQ(box_.text, L"読み込みに失敗しました。");
  EXPECT_EQ(box_.owner, MainWindow());
  EXPECT_TRUE(box_.errorIcon);
  EXPECT_EQ(Rules(), std::vector<LimitRule>({{u"old.exe", 1, 0x1}}));
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(engine.Pass(), (std::map<ProcessId, std::uint32_t>{{0, 0x1}}));
}

// The file opens but its content cannot be read (too large for memory):
// that is a failed load, not an empty file.
TEST_F(SettingsCommandTest, OpenWhoseContentCannotBeReadSaysSoAndChangesNothing) {
  FakeEngine engine(Context(), {u"C:\\old\\old.exe"});
  AddRule({u"old.exe", 1, 0x1});
  WriteBytes(File(L"rules.ini"), TwoRulesFile());
  std::filesystem::resize_file(File(L"rules.ini"), std::uintmax_t{1} << 32);
  ASSERT_TRUE(Open(File(L"rules.ini"), kErrorCaption));
  EXPECT_EQ(box_.text, L"読み込みに失敗しました。");
  EXPECT_TRUE(box_.errorIcon);
  EXPECT_EQ(Rules(), std::vector<LimitRule>({{u"old.exe", 1, 0x1}}));
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(engine.Pass(), (std::map<ProcessId, std::uint32_t>{{0, 0x1}}));
}

TEST_F(SettingsCommandTest, OpenWithoutACompleteSectionEmptiesTheRulesAndSaysDone) {
  FakeEngine engine(Context(), {u"C:\\old\\old.exe"});
  AddRule({u"old.exe", 1, 0x1});
  WriteBytes(File(L"rules.ini"), "[a]\r\nProcessName=x.exe\r\n// nothing else\r\n");
  ASSERT_TRUE(Open(File(L"rules.ini")));
  EXPECT_EQ(box_.text, L"読み込みが完了しました。");
  EXPECT_TRUE(Rules().empty());
  EXPECT_EQ(RowCount(), 0);
  EXPECT_TRUE(engine.Pass().empty());
}

TEST_F(SettingsCommandTest, WhatIsSavedOpensAgain) {
  const std::vector<LimitRule> rules = {{u"notepad.exe", 1, 0x1},
                                        {u"C:\\Program Files\\ツール\\tool.exe", -2, 0x3},
                                        {u"x.exe", 0, 0}};
  for (const LimitRule& rule : rules) AddRule(rule);
  ASSERT_TRUE(Save(File(L"rules.ini")));
  SelectRow(0);
  SendMessageW(ListDialog(), WM_COMMAND, IDC_LIST_DELETE, 0);
  ASSERT_EQ(Rules().size(), 2u);
  ASSERT_TRUE(Open(File(L"rules.ini")));
  EXPECT_EQ(Rules(), rules);
  EXPECT_EQ(RowCount(), 3);
}

}  // namespace
}  // namespace tarrowin::testing
