// The start-up command line in process: the program's real start-up with a
// settings file and a cycle word, as the entry function gets them (the
// UTF-16 text after the program path).

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/resource.h"
#include "tests/app/modal_driver.h"
#include "tests/app/shell_fixture.h"
#include "tests/files/temp_dir.h"

namespace tarrowin::testing {
namespace {

using testing_files::TempDir;
using testing_files::WriteBytes;

// Rules that match no process: the real engine runs them harmlessly.
constexpr char kRulesFile[] =
    "[tarrowin1]\r\nProcessName=tarrowin-no-such-program.exe\r\nCPUCount=1\r\n"
    "CPUMask=0x00000000\r\n\r\n"
    "[tarrowin2]\r\nProcessName=tarrowin-none-either.exe\r\nCPUCount=-1\r\n"
    "CPUMask=0x00000000\r\n\r\n";

const std::vector<LimitRule> kRules = {{u"tarrowin-no-such-program.exe", 1, 0},
                                       {u"tarrowin-none-either.exe", -1, 0}};

struct StartCase {
  const char* name;
  // "%f" stands for the settings file's path, "%m" for a missing one, "%u"
  // for one whose content cannot be read.
  std::wstring commandLine;
  bool loaded;
  UINT cycle;
  std::int32_t period;
  bool hidden;
};

class StartupCommandLineTest : public ShellTest, public ::testing::WithParamInterface<StartCase> {
 protected:
  void SetUp() override {
    // A folder with a blank in its name, Japanese, and characters that no
    // ANSI code page of the system spells (Hangul, one beyond U+FFFF).
    const std::filesystem::path folder = dir_.dir() / L"設定 ルール 설정 \U0001F600";
    std::filesystem::create_directory(folder);
    const std::filesystem::path file = folder / L"rules.ini";
    WriteBytes(file, kRulesFile);
    std::wstring text = GetParam().commandLine;
    const std::filesystem::path unreadable = folder / L"large.ini";
    if (text.find(L"%u") != std::wstring::npos) {
      WriteBytes(unreadable, kRulesFile);
      std::filesystem::resize_file(unreadable, std::uintmax_t{1} << 32);  // too large for memory
    }
    for (const auto& [mark, path] :
         {std::pair{std::wstring(L"%f"), file.wstring()},
          std::pair{std::wstring(L"%m"), (folder / L"none.ini").wstring()},
          std::pair{std::wstring(L"%u"), unreadable.wstring()}}) {
      for (auto at = text.find(mark); at != std::wstring::npos; at = text.find(mark)) {
        text.replace(at, mark.size(), path);
      }
    }
    // A message box here would be a fault: the driver reports and closes it.
    ModalDriver driver;
    StartShell(text.c_str());
  }

  TempDir dir_;
};

TEST_P(StartupCommandLineTest, LoadsTheFileAndSelectsTheCycle) {
  const StartCase& c = GetParam();
  EXPECT_EQ(*Context().MasterRules, c.loaded ? kRules : std::vector<LimitRule>{});
  EXPECT_EQ(RowCount(), c.loaded ? 2 : 0);
  for (UINT id : {ID_CYCLE_NORMAL, ID_CYCLE_LONG, ID_CYCLE_STOP}) {
    EXPECT_EQ(MenuState(id), id == c.cycle ? static_cast<UINT>(MFS_CHECKED) : 0u) << id;
  }
  EXPECT_EQ(Context().Engine->CheckPeriod.load(), c.period);
  EXPECT_EQ(IsWindowVisible(MainWindow()) != FALSE, !c.hidden);
  EXPECT_EQ(IsWindowEnabled(MainWindow()) != FALSE, !c.hidden);
  // In the tray or not, a click on the icon shows the window, enabled.
  SendMessageW(MainWindow(), WM_TRAYICON, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartupCommandLineTest,
    ::testing::Values(
        StartCase{"Normal", L"\"%f\" normal", true, ID_CYCLE_NORMAL, 500, true},
        StartCase{"Long", L"  \"%f\"\tlong ", true, ID_CYCLE_LONG, 2000, true},
        StartCase{"Stop", L"\"%f\" stop", true, ID_CYCLE_STOP, -1, false},
        // Cycle words are compared exactly.
        StartCase{"CapitalNormal", L"\"%f\" Normal", true, ID_CYCLE_STOP, -1, false},
        StartCase{"UnknownWord", L"\"%f\" fast", true, ID_CYCLE_STOP, -1, false},
        StartCase{"FileAlone", L"\"%f\"", true, ID_CYCLE_STOP, -1, false},
        StartCase{"ThreeArguments", L"\"%f\" normal extra", false, ID_CYCLE_STOP, -1, false},
        // Unquoted, the blank in the folder's name splits the path.
        StartCase{"UnquotedBlankPath", L"%f normal", false, ID_CYCLE_STOP, -1, false},
        StartCase{"OnlyBlanks", L"   ", false, ID_CYCLE_STOP, -1, false},
        StartCase{"Nothing", L"", false, ID_CYCLE_STOP, -1, false},
        // A file that cannot be read takes its cycle word with it, silently.
        StartCase{"MissingFile", L"\"%m\" normal", false, ID_CYCLE_STOP, -1, false},
        StartCase{"UnreadableFile", L"\"%u\" normal", false, ID_CYCLE_STOP, -1, false}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarrowin::testing
