// Black-box tests of the real tarrowin.exe: started as a user starts it,
// watched and closed from outside through its windows.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource.h"
#include "tests/app/program_harness.h"
#include "tests/app/test_window.h"

namespace tarrowin::testing {
namespace {

BOOL CALLBACK CountMainWindow(HWND window, LPARAM count) {
  if (IsMainWindow(window)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int CountMainWindows() {
  int count = 0;
  EnumWindows(CountMainWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// NIM_MODIFY succeeds only for an icon that the shell holds.
bool TrayIconExists(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uFlags = NIF_TIP;
  lstrcpynW(data.szTip, L"Tarrowin", ARRAYSIZE(data.szTip));
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// A plain window of the test program that takes the foreground.
struct ForegroundThief : TestWindow {
  ForegroundThief() : TestWindow(L"TarrowinTestThief", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 100) {
    SetForegroundWindow(window());
  }
};

TEST(ProgramTest, StartsWithTitledCentredWindowAndEndsWithExitCodeZero) {
  Program program(ProgramPath());
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 300);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(origin.x, GetSystemMetrics(SM_CXSCREEN) / 2 - 320);
  EXPECT_EQ(origin.y, GetSystemMetrics(SM_CYSCREEN) / 2 - 150);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);

  PostMessageW(window, WM_COMMAND, ID_EXIT, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST(ProgramTest, SecondStartBringsTheFirstForwardAndExitsWithZero) {
  Program first(ProgramPath());
  ASSERT_TRUE(first.started());
  HWND window = first.WaitForMainWindow();
  ASSERT_NE(window, nullptr);

  ForegroundThief thief;
  ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == thief.window(); }));
  {
    Program second(ProgramPath());
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitForExit(), 0);
  }
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(CountMainWindows(), 1);
  EXPECT_TRUE(PollUntil([&] { return GetForegroundWindow() == window; }))
      << "the running copy was not brought forward";

  // Hidden in the tray: shown again, but it stays disabled until its tray
  // icon is clicked.
  PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(PollUntil([&] { return !IsWindowVisible(window); }));
  {
    Program second(ProgramPath());
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitForExit(), 0);
  }
  EXPECT_TRUE(PollUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_EQ(CountMainWindows(), 1);
}

TEST(ProgramTest, CopiesAtDifferentPathsRunSideBySide) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"tarrowin-copy-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"\\tarrowin.exe";
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
  {
    Program first(ProgramPath());
    Program second(copy);
    ASSERT_TRUE(first.started() && second.started());
    EXPECT_NE(first.WaitForMainWindow(), nullptr);
    EXPECT_NE(second.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(second.Running());
    EXPECT_EQ(CountMainWindows(), 2);
  }
  PollUntil([&] { return DeleteFileW(copy.c_str()) != FALSE; });
  RemoveDirectoryW(folder.c_str());
}

TEST(ProgramTest, ClosingTheWindowEndsWithExitCodeZeroAndRemovesTheTrayIcon) {
  Program program(ProgramPath());
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PollUntil([&] { return TrayIconExists(window); })) << "no tray icon";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(TrayIconExists(window));
  EXPECT_EQ(CountMainWindows(), 0);
}

struct DialogSearch {
  HWND owner;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<DialogSearch*>(data);
  wchar_t name[16] = {}, title[64] = {};
  GetClassNameW(window, name, 16);
  GetWindowTextW(window, title, 64);
  if (GetWindow(window, GW_OWNER) != search.owner || std::wstring(name) != L"#32770" ||
      std::wstring(title) != search.caption || !IsWindowVisible(window)) {
    return TRUE;
  }
  search.found = window;
  return FALSE;
}

// The dialog captioned `caption` that `owner` owns, or null.
HWND OwnedDialog(HWND owner, const wchar_t* caption) {
  DialogSearch search{owner, caption, nullptr};
  EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// With the rule editor open, a click on the tray icon shows the window but
// leaves it disabled, and "終了(&X)" from the tray menu still ends the
// program with exit code 0, its tray icon removed.
TEST(ProgramTest, WithADialogOpenTheTrayRestoresDisabledAndExitsCleanly) {
  Program program(ProgramPath());
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PollUntil([&] { return TrayIconExists(window); })) << "no tray icon";
  PostMessageW(window, WM_COMMAND, ID_ITEM_ADD, 0);
  HWND editor = nullptr;
  ASSERT_TRUE(PollUntil(
      [&] { return (editor = OwnedDialog(window, L"CPU制限プログラムの追加")) != nullptr; }));

  ForegroundThief thief;
  ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == thief.window(); }));
  constexpr UINT kTrayMessage = WM_APP + 1;
  DWORD_PTR ignored = 0;
  // Sent, so that it has been handled when the call returns.
  ASSERT_TRUE(
      SendMessageTimeoutW(window, kTrayMessage, 0, WM_LBUTTONDOWN, SMTO_NORMAL, 30000, &ignored));
  EXPECT_TRUE(PollUntil([&] { return GetForegroundWindow() == editor; }));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsWindowEnabled(window));

  PostMessageW(window, WM_COMMAND, ID_EXIT, 0);  // as the tray menu sends it
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(TrayIconExists(window));
  EXPECT_EQ(CountMainWindows(), 0);
}

// The resources as they are stored in the file.
class ProgramResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }

  std::string Resource(LPCWSTR type, int id, WORD language) {
    HRSRC found = FindResourceExW(module_, type, MAKEINTRESOURCEW(id), language);
    if (found == nullptr) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return std::string(data, SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

TEST_F(ProgramResourcesTest, EveryResourceIsJapanese) {
  const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(4), IDR_MAIN_MENU, japanese).empty());  // RT_MENU
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(4), IDR_TRAY_MENU, japanese).empty());
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(5), IDD_RULE_LIST, japanese).empty());  // RT_DIALOG
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(14), IDI_TARROWIN, japanese).empty());  // RT_GROUP_ICON
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(16), 1, japanese).empty());             // RT_VERSION
}

TEST_F(ProgramResourcesTest, IconIsOne32x32ImageWith32BitsPerPixel) {
  const std::string group =
      Resource(MAKEINTRESOURCEW(14), IDI_TARROWIN, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  ASSERT_EQ(group.size(), 6u + 14u);                     // header and one entry
  EXPECT_EQ(static_cast<unsigned char>(group[4]), 1);    // one image
  EXPECT_EQ(static_cast<unsigned char>(group[6]), 32);   // width
  EXPECT_EQ(static_cast<unsigned char>(group[7]), 32);   // height
  EXPECT_EQ(static_cast<unsigned char>(group[12]), 32);  // bits per pixel
}

TEST_F(ProgramResourcesTest, ManifestAsksForAdministratorAndCommonControls6) {
  const std::string manifest =
      Resource(MAKEINTRESOURCEW(24), 1, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
}

TEST(ProgramVersionTest, FileAndProductVersionAre0002) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0u);
  EXPECT_EQ(fixed->dwFileVersionLS, 2u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0u);
  EXPECT_EQ(fixed->dwProductVersionLS, 2u);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\041104b0\\ProductVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, L"0.0.0.2");
}

}  // namespace
}  // namespace tarrowin::testing
