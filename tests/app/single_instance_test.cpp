// The single-instance check in process: a second application object of the
// same program defers to the running one and brings its main window
// forward, and only its main window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/application.h"
#include "tests/app/shell_fixture.h"
#include "tests/app/test_window.h"

namespace tarrowin::testing {
namespace {

std::wstring OwnFileName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring text = path;
  return text.substr(text.find_last_of(L'\\') + 1);
}

// A hidden top-level window of this process above the main window, as an
// input-method or tooltip window of the program may be.
struct HiddenSibling : TestWindow {
  HiddenSibling() : TestWindow(L"TarrowinTestSibling", WS_POPUP, 50, 50) {}
};

using SingleInstanceTest = ShellTest;

TEST_F(SingleInstanceTest, SecondCopyDefersAndShowsTheHiddenMainWindow) {
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_FALSE(IsWindowVisible(MainWindow()));
  CApplication second(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(second.CheckSingleInstance(nullptr), 0);
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  EXPECT_FALSE(IsWindowEnabled(MainWindow()));  // until the tray icon is clicked
}

TEST_F(SingleInstanceTest, OtherMutexNameRuns) {
  CApplication other(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(other.CheckSingleInstance(L"TarrowinTestOtherPath"), 1);
}

TEST_F(SingleInstanceTest, OnlyTheMainWindowIsBroughtForward) {
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  HiddenSibling sibling;
  ASSERT_NE(sibling.window(), nullptr);
  const std::wstring name = OwnFileName();
  EnumWindows(ActivateRunningInstance, reinterpret_cast<LPARAM>(name.c_str()));
  EXPECT_FALSE(IsWindowVisible(sibling.window()));
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
}

TEST_F(SingleInstanceTest, WindowsOfOtherProgramsAreLeftAlone) {
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EnumWindows(ActivateRunningInstance, reinterpret_cast<LPARAM>(L"other.exe"));
  EXPECT_FALSE(IsWindowVisible(MainWindow()));
  // The file name is compared exactly, letter case included.
  std::wstring upper = OwnFileName();
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  EnumWindows(ActivateRunningInstance, reinterpret_cast<LPARAM>(upper.c_str()));
  EXPECT_FALSE(IsWindowVisible(MainWindow()));
}

TEST(ApplicationTest, CommandLineIsKeptAsUtf16) {
  CApplication none(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(none.CommandLine(), nullptr);
  CApplication empty(GetModuleHandleW(nullptr), nullptr, L"", SW_SHOWNORMAL);
  ASSERT_NE(empty.CommandLine(), nullptr);
  EXPECT_STREQ(empty.CommandLine(), L"");
  CApplication ascii(GetModuleHandleW(nullptr), nullptr, L"rules.ini long", SW_SHOWNORMAL);
  EXPECT_STREQ(ascii.CommandLine(), L"rules.ini long");
  // Japanese, and what no ANSI code page spells, arrive unchanged.
  CApplication wide(GetModuleHandleW(nullptr), nullptr, L"設定 설정 \U0001F600.ini normal",
                    SW_SHOWNORMAL);
  EXPECT_STREQ(wide.CommandLine(), L"設定 설정 \U0001F600.ini normal");
}

using ApplicationWindowTest = ShellTest;

TEST_F(ApplicationWindowTest, ClassAndWindowAreMadeOnce) {
  CApplication& app = *Context().App;
  EXPECT_EQ(app.RegisterWindowClass(L"TarrowinTestOther", DefWindowProcW, nullptr, nullptr, nullptr,
                                    nullptr, UniqueMenu{}),
            0);
  EXPECT_EQ(app.CreateMainWindow(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100), 0);
  CApplication fresh(GetModuleHandleW(nullptr), nullptr, nullptr, SW_HIDE);
  EXPECT_EQ(fresh.CreateMainWindow(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100), 0);  // no class
}

}  // namespace
}  // namespace tarrowin::testing
