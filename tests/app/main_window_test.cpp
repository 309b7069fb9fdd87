// The main window in process: menu bar and tray menu resources, the check
// cycle and its effect on the engine, the tray menu, minimize to the tray,
// the exit paths and the tray icon, also across a restart of the shell,
// and the tray's restore and exit while one of the program's modal windows
// is open.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
// clang-format on

#include "app/main_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/resource.h"
#include "app/tray_icon.h"
#include "tests/app/modal_driver.h"
#include "tests/app/shell_fixture.h"
#include "tests/app/test_window.h"
#include "tests/files/temp_dir.h"

namespace tarrowin::testing {
namespace {

enum class Initial { kEnabled, kGreyed, kChecked, kSeparator };

struct MenuEntry {
  const wchar_t* text;
  UINT id;
  Initial state;
};

struct SubMenu {
  const wchar_t* title;
  std::vector<MenuEntry> items;
};

const std::vector<SubMenu> kMenuBar = {
    {L"ファイル(&F)",
     {{L"設定ファイルを開く(&O)", ID_OPEN_SETTINGS, Initial::kEnabled},
      {L"設定をファイルに保存する(&S)", ID_SAVE_SETTINGS, Initial::kEnabled},
      {L"", 0, Initial::kSeparator},
      {L"終了(&X)", ID_EXIT, Initial::kEnabled}}},
    {L"編集(&E)",
     {{L"項目の追加(A)", ID_ITEM_ADD, Initial::kEnabled},
      {L"項目の編集(&E)", ID_ITEM_EDIT, Initial::kGreyed},
      {L"項目の削除(&D)", ID_ITEM_DELETE, Initial::kGreyed}}},
    {L"チェック周期(&C)",
     {{L"通常周期(&N)", ID_CYCLE_NORMAL, Initial::kEnabled},
      {L"長い周期(&L)", ID_CYCLE_LONG, Initial::kEnabled},
      {L"停止(&S)", ID_CYCLE_STOP, Initial::kChecked}}},
};

const SubMenu kTrayMenu = {L"メニュー項目",
                           {{L"通常周期(&N)", ID_CYCLE_NORMAL, Initial::kEnabled},
                            {L"長い周期(&L)", ID_CYCLE_LONG, Initial::kEnabled},
                            {L"停止(&S)", ID_CYCLE_STOP, Initial::kEnabled},
                            {L"", 0, Initial::kSeparator},
                            {L"元に戻す(&R)", ID_RESTORE, Initial::kEnabled},
                            {L"", 0, Initial::kSeparator},
                            {L"終了(&X)", ID_EXIT, Initial::kEnabled}}};

void ExpectMenu(HMENU menu, const std::vector<SubMenu>& expected) {
  ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size()));
  for (UINT top = 0; top < expected.size(); ++top) {
    EXPECT_EQ(MenuText(menu, top), expected[top].title);
    HMENU sub = GetSubMenu(menu, top);
    ASSERT_NE(sub, nullptr);
    const auto& items = expected[top].items;
    ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(items.size())) << top;
    for (UINT i = 0; i < items.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "menu " << top << " item " << i);
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE;
      ASSERT_TRUE(GetMenuItemInfoW(sub, i, TRUE, &info));
      if (items[i].state == Initial::kSeparator) {
        EXPECT_TRUE(info.fType & MFT_SEPARATOR);
        continue;
      }
      EXPECT_EQ(MenuText(sub, i), items[i].text);
      EXPECT_EQ(info.wID, items[i].id);
      switch (items[i].state) {
        case Initial::kEnabled:
          EXPECT_EQ(info.fState, 0u);
          break;
        case Initial::kGreyed:
          EXPECT_NE(info.fState & MFS_GRAYED, 0u);
          EXPECT_EQ(info.fState & MFS_CHECKED, 0u);
          break;
        case Initial::kChecked:
          EXPECT_EQ(info.fState, static_cast<UINT>(MFS_CHECKED));
          break;
        case Initial::kSeparator:
          break;
      }
    }
  }
}

// NIM_MODIFY succeeds only for an icon that the shell holds.
bool TrayIconExists(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = 0;
  data.uFlags = NIF_TIP;
  lstrcpynW(data.szTip, L"Tarrowin", ARRAYSIZE(data.szTip));
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, MenuBarHasItsItemsTextsIdsAndInitialStates) {
  ExpectMenu(MainMenu(), kMenuBar);
}

TEST_F(MainWindowTest, TrayMenuResourceHasItsItemsUnchecked) {
  HMENU tray = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
  ASSERT_NE(tray, nullptr);
  ExpectMenu(tray, {kTrayMenu});
  DestroyMenu(tray);
}

TEST_F(MainWindowTest, WindowHasTitleStyleAndClientSize) {
  wchar_t title[64] = {};
  GetWindowTextW(MainWindow(), title, 64);
  EXPECT_STREQ(title, kMainWindowTitle);
  const LONG style = GetWindowLongW(MainWindow(), GWL_STYLE);
  EXPECT_EQ(style & 0x02CF0000, 0x02CA0000) << std::hex << style;  // no sizing, no maximize
  RECT client{};
  GetClientRect(MainWindow(), &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 300);
  POINT origin{0, 0};
  ClientToScreen(MainWindow(), &origin);
  EXPECT_EQ(origin.x, GetSystemMetrics(SM_CXSCREEN) / 2 - 320);
  EXPECT_EQ(origin.y, GetSystemMetrics(SM_CYSCREEN) / 2 - 150);
  EXPECT_TRUE(IsWindowVisible(ListDialog()));
  EXPECT_EQ(GetParent(ListDialog()), MainWindow());
}

TEST_F(MainWindowTest, SystemFiguresComeFromTheAffinityMask) {
  DWORD_PTR process = 0, system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  EXPECT_EQ(Context().SystemMask, static_cast<std::uint32_t>(system));
  EXPECT_EQ(Context().SystemCPUCount, __builtin_popcount(static_cast<std::uint32_t>(system)));
  EXPECT_GE(Context().SystemCPUCount, 1);
}

struct CycleStep {
  UINT command;
  UINT checked;         // the one checked item afterwards
  std::int32_t period;  // the engine's CheckPeriod afterwards
  bool woken;           // whether the engine was woken
};

TEST_F(MainWindowTest, CheckCycleMovesTheCheckMarkAndSetsTheEnginePeriod) {
  // With the worker stopped nobody takes the wake-up signal but the test.
  Context().Engine->Stop();
  EXPECT_EQ(Context().Engine->CheckPeriod.load(), -1);
  const CycleStep steps[] = {
      {ID_CYCLE_NORMAL, ID_CYCLE_NORMAL, 500, true},
      {ID_CYCLE_NORMAL, ID_CYCLE_NORMAL, 500, false},  // already chosen
      {ID_CYCLE_LONG, ID_CYCLE_LONG, 2000, true},
      {ID_CYCLE_STOP, ID_CYCLE_STOP, -1, false},  // stop never wakes
      {ID_CYCLE_STOP, ID_CYCLE_STOP, -1, false},
      {ID_CYCLE_LONG, ID_CYCLE_LONG, 2000, true},
      {ID_CYCLE_LONG, ID_CYCLE_LONG, 2000, false},
      {ID_CYCLE_NORMAL, ID_CYCLE_NORMAL, 500, true},
  };
  int n = 0;
  for (const CycleStep& step : steps) {
    SCOPED_TRACE(::testing::Message() << "step " << n++);
    SendMessageW(MainWindow(), WM_COMMAND, step.command, 0);
    for (UINT id : {ID_CYCLE_NORMAL, ID_CYCLE_LONG, ID_CYCLE_STOP}) {
      EXPECT_EQ(MenuState(id), id == step.checked ? static_cast<UINT>(MFS_CHECKED) : 0u) << id;
    }
    EXPECT_EQ(Context().Engine->CheckPeriod.load(), step.period);
    EXPECT_EQ(Context().Engine->TakeWake() != 0, step.woken);
  }
}

TEST_F(MainWindowTest, CheckedCycleIsLeftAloneEvenWhenTheEngineDisagrees) {
  Context().Engine->Stop();
  Context().Engine->CheckPeriod = 500;  // the menu still says stop
  SendMessageW(MainWindow(), WM_COMMAND, ID_CYCLE_STOP, 0);
  EXPECT_EQ(Context().Engine->CheckPeriod.load(), 500);
  SendMessageW(MainWindow(), WM_COMMAND, ID_CYCLE_NORMAL, 0);  // period already 500
  EXPECT_EQ(MenuState(ID_CYCLE_NORMAL), static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(Context().Engine->TakeWake(), 0);
}

// Watches the main window while the tray menu is open: records the popup's
// check marks when it opens, then picks an item by its mnemonic key.
class TrayMenuDriver {
 public:
  TrayMenuDriver(HWND window, wchar_t key) : window_(window), key_(key) {
    current_ = this;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
  }
  ~TrayMenuDriver() {
    if (IsWindow(window_)) {
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    }
    current_ = nullptr;
  }

  // Right-clicks the tray icon and runs the queue until the menu has closed
  // and its command is handled. True when that ended the message loop.
  bool Open() {
    PostMessageW(window_, WM_TRAYICON, 0, WM_RBUTTONDOWN);
    return PumpMessages();
  }

  bool opened() const { return opened_; }
  UINT checked() const { return checked_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TrayMenuDriver& self = *current_;
    if (message == WM_INITMENUPOPUP && !self.opened_) {
      self.opened_ = true;
      HMENU popup = reinterpret_cast<HMENU>(wParam);
      for (UINT id : {ID_CYCLE_NORMAL, ID_CYCLE_LONG, ID_CYCLE_STOP}) {
        if (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) self.checked_ = id;
      }
      // The menu loop reads this key once it runs.
      PostMessageW(window, WM_CHAR, self.key_, 0);
    }
    return CallWindowProcW(self.previous_, window, message, wParam, lParam);
  }

  static inline TrayMenuDriver* current_ = nullptr;
  HWND window_;
  wchar_t key_;
  WNDPROC previous_ = nullptr;
  bool opened_ = false;
  UINT checked_ = 0;
};

TEST_F(MainWindowTest, TrayMenuCopiesTheCheckMarkAndItsChoiceReachesTheMenuBar) {
  Context().Engine->Stop();
  {
    TrayMenuDriver driver(MainWindow(), L'l');  // 長い周期(&L)
    driver.Open();
    ASSERT_TRUE(driver.opened());
    EXPECT_EQ(driver.checked(), static_cast<UINT>(ID_CYCLE_STOP));
  }
  EXPECT_EQ(MenuState(ID_CYCLE_LONG), static_cast<UINT>(MFS_CHECKED));
  EXPECT_EQ(MenuState(ID_CYCLE_STOP), 0u);
  EXPECT_EQ(Context().Engine->CheckPeriod.load(), 2000);
  EXPECT_EQ(Context().Engine->TakeWake(), 1);
  {
    TrayMenuDriver driver(MainWindow(), L'l');  // the checked one again
    driver.Open();
    ASSERT_TRUE(driver.opened());
    EXPECT_EQ(driver.checked(), static_cast<UINT>(ID_CYCLE_LONG));
  }
  EXPECT_EQ(Context().Engine->TakeWake(), 0);
}

TEST_F(MainWindowTest, MinimizeHidesAndDisablesAndATrayClickRestores) {
  RECT before{};
  GetWindowRect(MainWindow(), &before);
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpMessages();
  EXPECT_FALSE(IsWindowVisible(MainWindow()));
  EXPECT_FALSE(IsWindowEnabled(MainWindow()));

  // Moving over the icon or releasing a button does nothing.
  for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK}) {
    SendMessageW(MainWindow(), WM_TRAYICON, 0, mouse);
    EXPECT_FALSE(IsWindowVisible(MainWindow())) << mouse;
  }

  SendMessageW(MainWindow(), WM_TRAYICON, 0, WM_LBUTTONDOWN);
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));
  EXPECT_FALSE(IsIconic(MainWindow()));
  RECT after{};
  GetWindowRect(MainWindow(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(MainWindowTest, RestoreInTheTrayMenuShowsTheHiddenWindow) {
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpMessages();
  ASSERT_FALSE(IsWindowVisible(MainWindow()));
  {
    TrayMenuDriver driver(MainWindow(), L'r');  // 元に戻す(&R)
    driver.Open();
    ASSERT_TRUE(driver.opened());
  }
  PumpMessages();
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  EXPECT_TRUE(IsWindowEnabled(MainWindow()));
}

TEST_F(MainWindowTest, ChoosingACycleNeitherHidesNorShows) {
  SendMessageW(MainWindow(), WM_COMMAND, ID_CYCLE_NORMAL, 0);
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  SendMessageW(MainWindow(), WM_COMMAND, ID_CYCLE_LONG, 0);
  EXPECT_FALSE(IsWindowVisible(MainWindow()));
}

// Every way out destroys the main window and the list, and asks the message
// loop to end.
enum class ExitPath { kMenuBar, kTrayMenu, kListButton, kCloseBox };

class ExitTest : public ShellTest, public ::testing::WithParamInterface<ExitPath> {};

TEST_P(ExitTest, DestroysTheWindowsAndEndsTheMessageLoop) {
  HWND main = MainWindow();
  HWND list = ListDialog();
  bool quit = false;
  switch (GetParam()) {
    case ExitPath::kMenuBar:
      SendMessageW(main, WM_COMMAND, ID_EXIT, 0);
      quit = PumpMessages();
      break;
    case ExitPath::kTrayMenu: {
      TrayMenuDriver driver(main, L'x');  // 終了(&X)
      quit = driver.Open();
      EXPECT_TRUE(driver.opened());
      break;
    }
    case ExitPath::kListButton:
      SendMessageW(list, WM_COMMAND, IDC_LIST_EXIT, 0);
      quit = PumpMessages();
      break;
    case ExitPath::kCloseBox:
      SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
      quit = PumpMessages();
      break;
  }
  EXPECT_TRUE(quit);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(list));
}

INSTANTIATE_TEST_SUITE_P(AllPaths, ExitTest,
                         ::testing::Values(ExitPath::kMenuBar, ExitPath::kTrayMenu,
                                           ExitPath::kListButton, ExitPath::kCloseBox));

TEST_F(MainWindowTest, TrayIconIsThereUntilRemoved) {
  EXPECT_TRUE(TrayIconExists(MainWindow()));
  EXPECT_EQ(RemoveTrayIcon(MainWindow()), 1);
  EXPECT_FALSE(TrayIconExists(MainWindow()));
}

TEST_F(MainWindowTest, UnknownCommandGoesToTheDefaultHandling) {
  EXPECT_EQ(SendMessageW(MainWindow(), WM_COMMAND, 40099, 0), 0);
  EXPECT_TRUE(IsWindow(MainWindow()));
}

// Pumps this thread's messages until `condition` holds (true) or `patience`
// has passed (false).
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds patience = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    PumpMessages();
    Sleep(20);
  }
  return true;
}

// Stands between the program and the shell's icon calls: records each one,
// passes it on, and answers the first `refusedAdds` adds with a failure, as
// a shell that is not up yet does.
class NotifyIconRecorder {
 public:
  explicit NotifyIconRecorder(int refusedAdds = 0) : refusedAdds_(refusedAdds) {
    current_ = this;
    previous_ = SetNotifyIconCall(Call);
  }
  ~NotifyIconRecorder() {
    SetNotifyIconCall(previous_);
    current_ = nullptr;
  }
  NotifyIconRecorder(const NotifyIconRecorder&) = delete;
  NotifyIconRecorder& operator=(const NotifyIconRecorder&) = delete;

  int Count(DWORD message) const {
    int count = 0;
    for (const auto& call : calls_) count += call.first == message ? 1 : 0;
    return count;
  }
  // The record of the last add that the shell took.
  const NOTIFYICONDATAW* LastAdded() const { return added_ ? &lastAdded_ : nullptr; }

 private:
  static BOOL WINAPI Call(DWORD message, PNOTIFYICONDATAW data) {
    NotifyIconRecorder& self = *current_;
    self.calls_.emplace_back(message, *data);
    if (message == NIM_ADD && self.refusedAdds_ > 0) {
      --self.refusedAdds_;
      return FALSE;
    }
    const BOOL taken = self.previous_(message, data);
    if (message == NIM_ADD && taken) {
      self.lastAdded_ = *data;
      self.added_ = true;
    }
    return taken;
  }

  static inline NotifyIconRecorder* current_ = nullptr;
  NotifyIconCall previous_ = nullptr;
  int refusedAdds_;
  std::vector<std::pair<DWORD, NOTIFYICONDATAW>> calls_;
  NOTIFYICONDATAW lastAdded_{};
  bool added_ = false;
};

// The icon as the program registers it.
void ExpectFullRecord(const NOTIFYICONDATAW* data, HWND window) {
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
  EXPECT_EQ(data->hWnd, window);
  EXPECT_EQ(data->uID, 0u);
  EXPECT_EQ(data->uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(data->uCallbackMessage, 0x8001u);
  EXPECT_EQ(data->hIcon, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARROWIN)));
  EXPECT_STREQ(data->szTip, L"Tarrowin");
}

// What a restarted shell does: every top-level window hears that the
// taskbar is there.
void BroadcastTaskbarCreated() {
  const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  ASSERT_NE(message, 0u);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  PumpMessages();
}

// Removes the icon behind the program's back, as a shell that ends does.
void DropTrayIcon(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = 0;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

// Wine's taskbar draws its icons itself, from its right end, and passes a
// click on one on to the icon's window. Clicks there from the right until
// `restored` holds; false when it never does or the taskbar is not Wine's.
bool ClickTrayIconInWinesTaskbar(const std::function<bool()>& restored) {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (taskbar == nullptr || FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr) != nullptr) {
    return false;
  }
  RECT client{};
  GetClientRect(taskbar, &client);
  for (int x = client.right - 2; x > client.right - 200; x -= 4) {
    const LPARAM at = MAKELPARAM(x, client.bottom / 2);
    PostMessageW(taskbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(taskbar, WM_LBUTTONUP, 0, at);
    if (PumpUntil(restored, std::chrono::milliseconds(300))) return true;
  }
  return false;
}

struct TooltipSearch {
  DWORD process;
  HWND found;
};

// EnumWindows callback (a plain function: 32-bit callbacks are stdcall).
BOOL CALLBACK FindTooltip(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<TooltipSearch*>(data);
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.process || std::wstring(name) != L"tooltips_class32") return TRUE;
  search.found = window;
  return FALSE;
}

// The tray's tooltip holds one tool per icon: the number of icons it shows.
int TaskbarToolCount() {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  DWORD shell = 0;
  GetWindowThreadProcessId(taskbar, &shell);
  TooltipSearch search{shell, nullptr};
  EnumWindows(FindTooltip, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr
             ? static_cast<int>(SendMessageW(search.found, TTM_GETTOOLCOUNT, 0, 0))
             : -1;
}

TEST_F(MainWindowTest, TrayIconComesBackWhenTheTaskbarIsCreatedAgain) {
  NotifyIconRecorder recorder;
  const int toolsWithIcon = TaskbarToolCount();
  DropTrayIcon(MainWindow());
  ASSERT_FALSE(TrayIconExists(MainWindow()));

  BroadcastTaskbarCreated();
  EXPECT_TRUE(TrayIconExists(MainWindow()));
  EXPECT_EQ(recorder.Count(NIM_ADD), 1);
  ExpectFullRecord(recorder.LastAdded(), MainWindow());

  // Again while it is there: still exactly one icon.
  BroadcastTaskbarCreated();
  EXPECT_TRUE(TrayIconExists(MainWindow()));
  EXPECT_EQ(TaskbarToolCount(), toolsWithIcon);
  DropTrayIcon(MainWindow());
  EXPECT_FALSE(TrayIconExists(MainWindow()));
}

TEST_F(MainWindowTest, ALeftClickOnTheReturnedIconRestoresTheWindow) {
  DropTrayIcon(MainWindow());
  BroadcastTaskbarCreated();
  ASSERT_TRUE(TrayIconExists(MainWindow()));
  SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpMessages();
  ASSERT_FALSE(IsWindowVisible(MainWindow()));
  const bool restored = ClickTrayIconInWinesTaskbar(
      [&] { return IsWindowVisible(MainWindow()) && IsWindowEnabled(MainWindow()); });
  if (!restored && FindWindowExW(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr, L"TrayNotifyWnd",
                                 nullptr) != nullptr) {
    GTEST_SKIP() << "this taskbar's icons are not clicked from here";
  }
  EXPECT_TRUE(restored);
}

// Early in a logon the shell refuses the icon: the program tries again,
// about once a second, and stops once the shell has taken it.
class TrayIconRetryTest : public ShellTest {
 protected:
  void SetUp() override { StartShell(nullptr); }
  NotifyIconRecorder recorder_{2};
};

TEST_F(TrayIconRetryTest, RetriesUntilTheShellTakesTheIcon) {
  EXPECT_EQ(recorder_.Count(NIM_ADD), 1);
  EXPECT_FALSE(TrayIconExists(MainWindow()));
  ASSERT_TRUE(PumpUntil([&] { return TrayIconExists(MainWindow()); }));
  EXPECT_EQ(recorder_.Count(NIM_ADD), 3);
  ExpectFullRecord(recorder_.LastAdded(), MainWindow());
  // Taken: no more attempts.
  const auto quiet = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
  PumpUntil([&] { return std::chrono::steady_clock::now() > quiet; });
  EXPECT_EQ(recorder_.Count(NIM_ADD), 3);
}

constexpr wchar_t kAddCaption[] = L"CPU制限プログラムの追加";
constexpr wchar_t kMaskCaption[] = L"制限CPUマスクの設定";
constexpr wchar_t kOpenCaption[] = L"設定ファイルを開く";
constexpr wchar_t kDoneCaption[] = L"処理完了";

// How a modal window of the program gets opened, and the caption of the
// innermost one.
enum class OpenDialog { kRuleEditor, kMaskDialog, kFileChooser, kMessageBox };

struct ModalCase {
  const char* name;
  OpenDialog dialog;
};

std::wstring InnermostCaption(OpenDialog dialog) {
  switch (dialog) {
    case OpenDialog::kRuleEditor:
      return kAddCaption;
    case OpenDialog::kMaskDialog:
      return kMaskCaption;
    case OpenDialog::kFileChooser:
      return kOpenCaption;
    case OpenDialog::kMessageBox:
      return kDoneCaption;
  }
  return {};
}

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770") ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The top-level dialogs of this thread, visible or not.
int DialogCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountDialog, reinterpret_cast<LPARAM>(&count));
  return count;
}

// A plain window of the test that can take the foreground from a dialog.
struct ForegroundThief : TestWindow {
  ForegroundThief() : TestWindow(L"TarrowinTestThief", WS_POPUP | WS_VISIBLE, 100, 50) {}
};

// Records how many dialogs still exist when the main window's destruction
// begins: those then go down with it, under the modal loops still running
// them, not through their own ending.
class DestroyWatcher {
 public:
  explicit DestroyWatcher(HWND window) : window_(window) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
  }
  ~DestroyWatcher() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  DestroyWatcher(const DestroyWatcher&) = delete;
  DestroyWatcher& operator=(const DestroyWatcher&) = delete;

  // -1 while the window has not been destroyed.
  int dialogsLeft() const { return dialogsLeft_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    DestroyWatcher& self = *current_;
    if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == self.window_) {
      self.dialogsLeft_ = DialogCount();
    }
    return CallNextHookEx(self.hook_, code, wParam, lParam);
  }

  static inline DestroyWatcher* current_ = nullptr;
  HWND window_;
  HHOOK hook_ = nullptr;
  int dialogsLeft_ = -1;
};

// The program's modal windows, each opened the way the user opens it, with
// the steps that reach and close them.
class ModalTrayTest : public ShellTest, public ::testing::WithParamInterface<ModalCase> {
 protected:
  // The steps up to the innermost dialog, whose first step is `first`.
  void ExpectOpening(ModalDriver& driver, const ModalDriver::Action& first) {
    switch (GetParam().dialog) {
      case OpenDialog::kRuleEditor:
        driver.Expect(kAddCaption, first);
        break;
      case OpenDialog::kMaskDialog:
        driver.Expect(kAddCaption, [](HWND editor) { Click(editor, IDC_SET_MASK); });
        driver.Expect(kMaskCaption, first);
        break;
      case OpenDialog::kFileChooser:
        driver.Expect(kOpenCaption, first);
        break;
      case OpenDialog::kMessageBox:
        testing_files::WriteBytes(dir_.dir() / L"rules.ini",
                                  "[a]\r\nProcessName=a.exe\r\nCPUCount=1\r\nCPUMask=0\r\n");
        driver.Expect(kOpenCaption, AnswerFileChooser((dir_.dir() / L"rules.ini").wstring()));
        driver.Expect(kDoneCaption, first);
        break;
    }
  }

  // The steps that close the dialogs, the innermost first.
  void ExpectClosing(ModalDriver& driver) {
    switch (GetParam().dialog) {
      case OpenDialog::kMaskDialog:
        driver.Expect(kMaskCaption, [](HWND mask) { Click(mask, IDC_CANCEL); });
        [[fallthrough]];
      case OpenDialog::kRuleEditor:
        driver.Expect(kAddCaption, [](HWND editor) { Click(editor, IDC_CANCEL); });
        break;
      case OpenDialog::kFileChooser:
        driver.Expect(kOpenCaption, [](HWND chooser) { Click(chooser, IDCANCEL); });
        break;
      case OpenDialog::kMessageBox:
        driver.Expect(kDoneCaption, [](HWND box) { Click(box, IDOK); });
        break;
    }
  }

  // How many dialogs the case opens.
  int DialogsOpened() const { return GetParam().dialog == OpenDialog::kMaskDialog ? 2 : 1; }

  bool Run(ModalDriver& driver) {
    return GetParam().dialog == OpenDialog::kRuleEditor ||
                   GetParam().dialog == OpenDialog::kMaskDialog
               ? driver.Run(ListDialog(), WM_COMMAND, IDC_LIST_ADD)
               : driver.Run(MainWindow(), WM_COMMAND, ID_OPEN_SETTINGS);
  }

  testing_files::TempDir dir_;
};

const auto kModalCases = ::testing::Values(ModalCase{"RuleEditor", OpenDialog::kRuleEditor},
                                           ModalCase{"MaskDialog", OpenDialog::kMaskDialog},
                                           ModalCase{"FileChooser", OpenDialog::kFileChooser},
                                           ModalCase{"MessageBox", OpenDialog::kMessageBox});

std::string ModalCaseName(const ::testing::TestParamInfo<ModalCase>& info) {
  return info.param.name;
}

// A click on the tray icon, and "元に戻す(&R)", while a dialog is open: the
// hidden main window is shown but stays disabled, the dialog comes to the
// front, and the commands behind it open no second dialog.
using ModalRestoreTest = ModalTrayTest;

TEST_P(ModalRestoreTest, ShowsTheWindowDisabledAndBringsTheDialogForward) {
  const std::wstring caption = InnermostCaption(GetParam().dialog);
  for (const bool fromMenu : {false, true}) {
    SCOPED_TRACE(fromMenu ? "元に戻す(&R)" : "tray click");
    ForegroundThief thief;
    TrayMenuDriver menu(MainWindow(), L'r');  // 元に戻す(&R)
    HWND dialog = nullptr;
    bool tookForeground = false, shown = false, enabled = true, inFront = false, alone = false;
    ModalDriver driver;
    ExpectOpening(driver, [&](HWND front) {
      dialog = front;
      ShowWindow(MainWindow(), SW_HIDE);
      tookForeground = thief.TakeForeground();
      PostMessageW(MainWindow(), WM_TRAYICON, 0, fromMenu ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
    });
    driver.Expect(caption, [&](HWND front) {
      shown = IsWindowVisible(MainWindow()) != FALSE;
      enabled = IsWindowEnabled(MainWindow()) != FALSE;
      inFront = front == dialog && GetForegroundWindow() == dialog;
      // What the menus and the list's buttons would do behind the dialog.
      PostMessageW(MainWindow(), WM_COMMAND, ID_ITEM_ADD, 0);
      PostMessageW(MainWindow(), WM_COMMAND, ID_OPEN_SETTINGS, 0);
      PostMessageW(ListDialog(), WM_COMMAND, IDC_LIST_ADD, 0);
    });
    driver.Expect(caption,
                  [&](HWND front) { alone = front == dialog && DialogCount() == DialogsOpened(); });
    ExpectClosing(driver);
    ASSERT_TRUE(Run(driver));
    EXPECT_TRUE(tookForeground);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(inFront);
    EXPECT_TRUE(alone);
    // Once the dialog has closed, its loop enables the window again.
    EXPECT_TRUE(IsWindowVisible(MainWindow()));
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
  }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ModalRestoreTest, kModalCases, ModalCaseName);

// "終了(&X)" in the tray menu while a dialog is open: the dialogs are closed
// first, then the main window goes and the message loop ends with 0; the
// tray icon is removed and the engine stopped by the shutdown.
using ModalExitTest = ModalTrayTest;

TEST_P(ModalExitTest, ClosesTheDialogsFirstAndEndsCleanly) {
  HWND main = MainWindow();
  HWND list = ListDialog();
  DestroyWatcher watcher(main);
  TrayMenuDriver menu(main, L'x');  // 終了(&X)
  ModalDriver driver;
  for (const wchar_t* caption : {kAddCaption, kMaskCaption, kOpenCaption, kDoneCaption}) {
    driver.Tolerate(caption);  // asked to close, they may linger a moment
  }
  ExpectOpening(driver, [&](HWND) { PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN); });
  ASSERT_TRUE(Run(driver));
  EXPECT_TRUE(menu.opened());
  EXPECT_TRUE(PumpMessages()) << "the message loop was not asked to end";
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(watcher.dialogsLeft(), 0);
  EXPECT_EQ(DialogCount(), 0);
  shell_.reset();  // the shutdown that follows the loop
  EXPECT_FALSE(TrayIconExists(main));
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ModalExitTest, kModalCases, ModalCaseName);

}  // namespace
}  // namespace tarrowin::testing
