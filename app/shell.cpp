// The start-up and shutdown sequence of the program.
#include "app/shell.h"

#include <commctrl.h>

#include <utility>

#include "app/main_window.h"
#include "app/process_locale.h"
#include "app/resource.h"
#include "app/rule_list_dialog.h"
#include "app/settings_commands.h"
#include "app/tray_icon.h"
#include "engine/affinity_rules.h"

namespace tarrowin {

CShell::CShell(HINSTANCE instance, HINSTANCE previousInstance, const wchar_t* commandLine,
               int showCommand)
    : app_(instance, previousInstance, commandLine, showCommand) {}

int CShell::Start() {
  EnsureJapaneseLocale();

  context_ = AppContext{};
  context_.App = &app_;
  context_.MasterRules = &masterRules_;
  SetCurrentAppContext(&context_);

  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
  // Only processors 0 to 31 are considered.
  context_.SystemMask = static_cast<std::uint32_t>(systemMask);
  context_.SystemCPUCount = CountBits(context_.SystemMask);

  // The client area is centred on the primary screen.
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - kMainClientWidth / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - kMainClientHeight / 2;

  if (!app_.CheckSingleInstance(nullptr)) return 0;

  HINSTANCE instance = app_.Instance();
  UniqueMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TARROWIN));
  if (!app_.RegisterWindowClass(kMainWindowClass, MainWndProc, nullptr, nullptr, icon, nullptr,
                                std::move(menu))) {
    return 0;
  }
  if (!app_.CreateMainWindow(0, kMainWindowStyle, left, top, kMainClientWidth, kMainClientHeight)) {
    return 0;
  }
  HWND mainWindow = app_.MainWindow();

  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  context_.ListDialog =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_RULE_LIST), mainWindow, RuleListDlgProc, 0);
  if (context_.ListDialog == nullptr) {
    DestroyWindow(mainWindow);
    return 0;
  }
  SetWindowTextW(mainWindow, kMainWindowTitle);
  ShowWindow(context_.ListDialog, SW_SHOWNA);
  UpdateWindow(context_.ListDialog);

  // The engine starts in stop mode, matching the menu's initial check mark.
  engine_.reset(new CCPULimitThread());
  engine_.get()->Start();
  context_.Engine = engine_.get();

  AddTrayIcon(mainWindow);
  trayIconAdded_ = true;
  ApplyCommandLine(mainWindow);
  return 1;
}

void CShell::RunMessageLoop() {
  MSG message;
  // GetMessageW gives -1 on failure: that must end the loop, not spin.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

CShell::~CShell() {
  HWND mainWindow = app_.MainWindow();
  // The program's window is gone when the loop has ended; a test may still
  // hold one.
  if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
  if (trayIconAdded_) RemoveTrayIcon(mainWindow);
  if (CurrentAppContext() == &context_) SetCurrentAppContext(nullptr);
  // The members go now: application object, master rules, engine.
}

}  // namespace tarrowin
